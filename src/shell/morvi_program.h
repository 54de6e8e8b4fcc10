#pragma once

#include "config_file_actions.h"
#include "file_programming_recorder.h"
#include "device_links.h"
#include "transfer_host.h"
#include "config_file_host.h"
#include "settings_file.h"
#include "signal_watch.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <csignal>
#include <array>
#include <memory>

namespace morvi::ui {
class TFMorvi;
class Thelpform;
class TFTkonfig;
class TFsystem;
class TFwaitstates;
} // namespace morvi::ui

namespace morvi::shell {

// The whole program: the five windows, created in order and kept for the run,
// the two-stage start-up and the shut-down.
class MorviProgram : public QObject, private files::ConfigFileHost, private link::TransferHost {
    Q_OBJECT
public:
    // What the program talks to outside itself; tests replace both.
    struct Outside {
        std::unique_ptr<files::FileDialogs> dialogs; // the toolkit's file dialogs when empty
        std::unique_ptr<link::SerialLink> serial;    // the system's COM1..COM4 when empty
        QString adapterLibrary;                      // the system's adapter library when empty
    };
    explicit MorviProgram(Outside outside = {});
    ~MorviProgram() override;

    ui::TFMorvi &FMorvi() { return *fmorvi_; }
    ui::Thelpform &helpform() { return *helpform_; }
    ui::TFTkonfig &FTkonfig() { return *ftkonfig_; }
    ui::TFsystem &Fsystem() { return *fsystem_; }
    ui::TFwaitstates &Fwaitstates() { return *fwaitstates_; }

    QTimer &inittimer() { return inittimer_; }
    files::ConfigFileActions &fileActions() { return *fileActions_; }
    link::SerialLink &serial() { return links_->serial(); }
    link::Transfer &transfer() { return links_->transfer(); }
    link::UsbLink &usb() { return links_->usb(); }
    const QStringList &memo1() const { return Memo1; }
    const QString &settingsFilePath() const { return SettingsFilePath; }

    // The main window's creation handler, the delayed initialisation and the close handler.
    void FormCreate();
    void inittimerTimer();
    void FormClose();

    // The port probe behind the "&Kommunikation" menu; also run at start-up.
    void MKommunikationClick();
    void COMClick(int n);

private:
    void wireMenus();
    void setPortName(const QString &name);
    // The port mapping and the choice of USB exchange lie beside the settings file.
    QString besideSettings(const char *fileName) const;
    void applySettings(files::ProgramSettings settings);
    // The settings written at exit. A window still where start-up put it keeps
    // the position the file gave it, even where start-up had to move it onto
    // the screen; a window moved since is remembered where it is.
    files::ProgramSettings currentSettings() const;
    files::WindowPosition remembered(std::size_t window, QPoint now) const;

    // What the file commands need from the main window.
    SendBoxes sendBoxes() const override;
    QString serialPortName() const override;
    QString firmwareLabel() const override;
    void applyDerivedState(const DerivedState &derived) override;
    void showFileName(const QString &name) override;
    void showdata() override;

    // What the transfers need from the main window (besides the above).
    bool confirm(const std::string &question) override;
    void setFocus(Button button) override;
    void showPanProg(bool visible) override;
    void setLaction(const std::string &text) override;
    void setGauge(int percent) override;
    void showGaugeGesamt(bool visible) override;
    void setGaugeGesamt(int percent) override;

    std::unique_ptr<ui::TFMorvi> fmorvi_;
    ui::Thelpform *helpform_ = nullptr;
    ui::TFTkonfig *ftkonfig_ = nullptr;
    ui::TFsystem *fsystem_ = nullptr;
    ui::TFwaitstates *fwaitstates_ = nullptr;
    QTimer inittimer_;
    QString SettingsFilePath;
    QString SavedComNumber;
    QString adapterLibrary_; // empty: the system's
    // Main window, help window, system dialog: the position read at start-up
    // and the one they were shown at.
    std::array<std::pair<files::WindowPosition, files::WindowPosition>, 3> placed_{};
    // A transfer has ended and its refresh has not come yet.
    bool transferEnded_ = false;
    // The hidden line buffer both text files pass through.
    QStringList Memo1;
    std::unique_ptr<files::FileDialogs> dialogs_;
    // Outlive the links, whose transfer records a run cut off by the
    // program's end; the record names the file in the editor.
    std::unique_ptr<files::ConfigFileActions> fileActions_;
    std::unique_ptr<files::FileProgrammingRecorder> recorder_;
    std::unique_ptr<link::DeviceLinks> links_;
    // The end of the desktop session (SIGTERM, SIGHUP) closes the main window as a user would.
    SignalWatch sessionEnd_{SIGTERM, SIGHUP};
};

} // namespace morvi::shell
