#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <memory>

namespace morvi::ui {
class TFMorvi;
class Thelpform;
class TFTkonfig;
class TFsystem;
class TFwaitstates;
} // namespace morvi::ui

namespace morvi::shell {

// Design positions of the windows whose positions the settings keep.
inline const QPoint mainDesignPosition{219, 145};
inline const QPoint helpDesignPosition{134, 89};
inline const QPoint systemDesignPosition{430, 246};

// The whole program: the five windows, created in order and kept for the run,
// the two-stage start-up and the shut-down.
class MorviProgram : public QObject {
    Q_OBJECT
public:
    MorviProgram();
    ~MorviProgram() override;

    ui::TFMorvi &FMorvi() { return *fmorvi_; }
    ui::Thelpform &helpform() { return *helpform_; }
    ui::TFTkonfig &FTkonfig() { return *ftkonfig_; }
    ui::TFsystem &Fsystem() { return *fsystem_; }
    ui::TFwaitstates &Fwaitstates() { return *fwaitstates_; }

    QTimer &inittimer() { return inittimer_; }
    const QString &settingsFilePath() const { return SettingsFilePath; }

    // The main window's creation handler, the delayed initialisation and the close handler.
    void FormCreate();
    void inittimerTimer();
    void FormClose();

private:
    void wireMenus();

    std::unique_ptr<ui::TFMorvi> fmorvi_;
    ui::Thelpform *helpform_ = nullptr;
    ui::TFTkonfig *ftkonfig_ = nullptr;
    ui::TFsystem *fsystem_ = nullptr;
    ui::TFwaitstates *fwaitstates_ = nullptr;
    QTimer inittimer_;
    QString SettingsFilePath;
};

} // namespace morvi::shell
