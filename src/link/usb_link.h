#pragma once

#include "d2xx_unit.h"
#include "reporter.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

namespace morvi::link {

// The USB programming adapter as the link: the periodic search that opens an
// adapter with the right serial-number prefix and takes over from the serial
// link, and the presence check that hands back to the serial link when the
// adapter is gone.
class UsbLink : public QObject {
    Q_OBJECT
public:
    static constexpr int searchIntervalMs = 1000;
    static constexpr int checkIntervalMs = 2000;
    static constexpr int nameLength = 8;
    static constexpr QLatin1String makerPrefix{"QZK"};

    // The library found by the system's search path.
    explicit UsbLink(Reporter &reporter, QObject *parent = nullptr);
    UsbLink(Reporter &reporter, std::unique_ptr<D2XXUnit> unit, QObject *parent = nullptr);
    // Closes the adapter in use, so that the next start finds it free.
    ~UsbLink() override;

    D2XXUnit &unit() { return *unit_; }

    // Set while an adapter is open and carries the transfers.
    bool usbmode() const { return usbmode_; }
    // Accepted besides the maker's prefix; start-up sets "QZK".
    void setAdapterprefix(const QString &prefix) { adapterprefix_ = prefix; }
    QString adapterprefix() const { return adapterprefix_; }
    // Text of the hidden label LUSB.
    QString displayName() const { return displayName_; }

    // The window's showdata; it is expected to call arm(usbmode()).
    void setRefresh(std::function<void()> refresh) { refresh_ = std::move(refresh); }

    // Restarts timerUSBsearch: search every second, or check every two
    // seconds while the adapter is in use. Called by every refresh.
    void arm(bool usbmode);
    QTimer &timerUSBsearch() { return timerUSBsearch_; }

    // The adapter search; leaves usbmode set when an adapter was opened.
    void OpenFTDI();
    // Search while the serial link is active, presence check while the adapter is in use.
    void timerUSBsearchTimer();

signals:
    // The adapter in use is gone and closed; raised after its two lines.
    void adapterLost();

private:
    void refresh();
    void checkPresence();
    void search();

    Reporter &reporter_;
    std::unique_ptr<D2XXUnit> unit_;
    bool usbmode_ = false;
    QString adapterprefix_;
    QString displayName_;
    std::function<void()> refresh_;
    QTimer timerUSBsearch_;
};

} // namespace morvi::link
