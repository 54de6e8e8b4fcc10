#pragma once

#include "editor.h"
#include "parameter_rules.h"
#include "presets.h"
#include "reporter.h"

#include <QMainWindow>
#include <array>
#include <functional>

class QAction;
class QActionGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace morvi::ui {

class CaptionPanel;
class InfoWindow;
class KeyPanel;
class PieGauge;
class TFTkonfig;

// What the refresh shows of the device link and the current file.
struct LinkStatus {
    // Whether the USB adapter is the active link.
    std::function<bool()> usbmode = [] { return false; };
    // Restarts the adapter search: the search while the serial link is active,
    // the presence check while the adapter is in use.
    std::function<void(bool usbmode)> armAdapterSearch = [](bool) {};
    QString portName = QStringLiteral("COM1");
    // Whether the selected port can be opened; the serial link supplies the test.
    std::function<bool(const QString &)> comok = [](const QString &) { return true; };
    int waitstates = 0;
    QString fileName;
};

// The main window: a view of the one configuration image. Every control event
// runs one rule of the image core and then the one refresh, showdata.
class TFMorvi : public QMainWindow, public Reporter {
    Q_OBJECT
public:
    explicit TFMorvi(QWidget *parent = nullptr);
    ~TFMorvi() override;

    Editor &editor() { return editor_; }
    LinkStatus &link() { return link_; }
    const TraceLists &traces() const { return traces_; }
    int beepCount() const { return beepCount_; }
    // Replaces the system beep, so tests can hear it.
    void setBeepSound(std::function<void()> sound) { beepSound_ = std::move(sound); }
    // Replaces the error box for a time-out that is no number.
    void setTimeoutError(std::function<void(const QString &)> box) { timeoutError_ = std::move(box); }
    TFTkonfig *keyDialog() const { return keyDialog_; }
    // The key configuration dialog is created by the program entry, after the help window.
    void setKeyDialog(TFTkonfig *dialog) { keyDialog_ = dialog; }
    // Runs when the window is closed, by its close box or by "E&xit".
    void setFormClose(std::function<void()> handler) { formClose_ = std::move(handler); }
    // "E&xit": asks about unsaved edits, then closes the window.
    void Exit1Click();

    // Whether edits not yet saved, read or programmed may be thrown away: true
    // when there are none or the person answers "Ja" to the question.
    bool mayDiscardEdits();
    // Replaces the Yes/No box of that question, so tests can answer it.
    void setDiscardQuestion(std::function<bool(const QString &)> ask) { discardQuestion_ = std::move(ask); }
    int selectedKey() const { return selectedKey_; }

    // Reporter: the one channel from the core to the window.
    void showinfo(const std::string &inhalt, Rgb farbe, int option) override;
    void beep() override;
    void trace(TraceList list, const std::string &line) override;
    void showFirmware(const std::string &text, Rgb farbe) override;

    void showdata();

    // Transmitter types: the presets and the menu handlers that report them.
    void select_normal();
    void select_normalHP();
    void select_direkt();
    void MTyp_normalClick();
    void MTyp_longClick();
    void MTyp_direktClick();
    // The menu handler of the type stored in the image (the factory button).
    void applyStoredTypeMenuHandler();

    // The states completion reads, and the window's part of deriving an image.
    SendBoxes sendBoxes() const;
    void applyDerivedState(const DerivedState &derived);

    // Key matrix.
    void PanelDblClick(int keyIndex);
    void PanelMouseDown(int keyIndex);

    void ButClearClick();

    // The transfer's progress panel, shown over the legend while a transfer runs.
    void showProgressPanel(bool shown);
    void setProgressAction(const QString &phase);
    void setPhaseProgress(int percent);
    void showTotalProgress(bool shown);
    void setTotalProgress(int percent);
    // A modal Yes/No question (the one before programming); tests replace it.
    bool confirm(const QString &question);
    void setConfirm(std::function<bool(const QString &)> ask) { confirm_ = std::move(ask); }
    void focusLeseButton();
    void focusProgButton();

    // Start-up steps that touch the window's own controls.
    void showBatteryPanel();
    // Marks the port menu item whose name is the selected port; none for other names.
    void markSelectedPort();
    // Port items 1..4 are greyed for ports that cannot be opened.
    void setPortItemEnabled(int n, bool enabled);
    // What port item n stands for (its device): the status bar shows it while
    // the pointer is on the item, and its tool tip, since a greyed item shows
    // no status tip.
    void showPortItemDevice(int n, const QString &text);
    void hideRs232TypeItem();
    // "schnelle USB-Übertragung": checked chooses the adapter's fast exchange.
    QAction *fastUsbItem() const { return fastUsbItem_; }
    QString urladdCaption() const;
    QString firmwareText() const;
    // The link indicator, status panel 0.
    QString linkStatusText() const;
    void setUrladdCaption(const QString &caption);
    void setUrladdDblClick(std::function<void()> handler);

signals:
    // The commands the program carries out for the window.
    void systemRequested();
    void helpRequested();
    void checkRequested();
    void waitstatesRequested();
    void kommunikationOpening();
    void portChosen(int n);
    void fastUsbChosen(bool fast);
    void readRequested();
    void programRequested();
    void loadRequested();
    void saveRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWindow();
    void buildMenu();
    void buildKeyMatrix(QWidget *page);
    void buildMainPage(QWidget *page);
    void buildExtraPage(QWidget *page);
    void buildLowerArea(QWidget *client);
    QLineEdit *field(Field f) const;
    QCheckBox *box(FlagBox b) const;
    QLineEdit *fieldEdit(QWidget *parent, Field field, int x, int y, int width);
    QCheckBox *flagBox(QWidget *parent, FlagBox box, const QString &caption, int x, int y);

    void commitEntry(Field field);
    void commitTimeout();
    void AdressDataExit(int key);
    void flagBoxClick(FlagBox box);
    void maxBegrenzungClick();
    void applyPreset(TransmitterType type);
    void showKeyMatrix();
    void showTypeAndPanels();
    void showLinkState();

    Editor editor_;
    LinkStatus link_;
    TraceLists traces_;
    int beepCount_ = 0;
    std::function<void()> beepSound_;
    std::function<void(const QString &)> timeoutError_;
    std::function<void()> formClose_;
    std::function<bool(const QString &)> confirm_;
    std::function<bool(const QString &)> discardQuestion_;
    int selectedKey_ = 0;

    struct KeyControls {
        KeyPanel *panel = nullptr;
        QLabel *label = nullptr;
        QLineEdit *edit = nullptr;
    };
    std::array<KeyControls, keyCount> keys_{};
    std::array<QLineEdit *, static_cast<int>(Field::PostL) + 1> fields_{};
    std::array<QCheckBox *, static_cast<int>(FlagBox::CBbatt) + 1> boxes_{};

    QWidget *pc1_ = nullptr;
    CaptionPanel *matrixback_ = nullptr;
    QTabWidget *pageControl_ = nullptr;
    QWidget *tabZusatz_ = nullptr;
    QLabel *obergrenze_ = nullptr;
    QCheckBox *maxBegrenzung_ = nullptr;
    QLabel *maxLab1_ = nullptr;
    QLabel *maxLab2_ = nullptr;
    QLabel *lTasten_ = nullptr;
    QLineEdit *tastenTimeout_ = nullptr;
    QLabel *labelzyk_ = nullptr;
    QLabel *lcheckanz_ = nullptr;
    QWidget *parallelpanel_ = nullptr;
    QWidget *pzusatzparallel_ = nullptr;
    QWidget *pbatterie_ = nullptr;
    QLabel *version_ = nullptr;
    QLabel *lfirmware_ = nullptr;
    QLabel *firmware_ = nullptr;
    CaptionPanel *urladd_ = nullptr;
    QLabel *statusLink_ = nullptr;
    QLabel *statusFile_ = nullptr;
    InfoWindow *info_ = nullptr;
    QWidget *panProg_ = nullptr;
    QLabel *laction_ = nullptr;
    PieGauge *gauge_ = nullptr;
    QProgressBar *gaugeGesamt_ = nullptr;

    QMenu *mKommunikation_ = nullptr;
    QMenu *mTyp_ = nullptr;
    QAction *mTypNormal_ = nullptr;
    QAction *mTypLong_ = nullptr;
    QAction *mTypDirekt_ = nullptr;
    QAction *mWaitstates_ = nullptr;
    QAction *fastUsbItem_ = nullptr;
    QAction *mTypRs232_ = nullptr;
    std::array<QAction *, 4> portItems_{};
    QPushButton *leseButton_ = nullptr;
    QPushButton *progButton_ = nullptr;

    TFTkonfig *keyDialog_ = nullptr;
};

} // namespace morvi::ui
