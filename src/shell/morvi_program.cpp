#include "morvi_program.h"

#include "qt_file_dialogs.h"
#include "usb_choice_file.h"

#include "help_window.h"
#include "key_dialog.h"
#include "main_window.h"
#include "maker.h"
#include "system_dialog.h"
#include "waitstates_dialog.h"
#include "web_page.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace morvi::shell {

namespace {
QPoint toPoint(files::WindowPosition p) { return {p.left, p.top}; }
files::WindowPosition toPosition(QPoint p) { return {p.x(), p.y()}; }
} // namespace

MorviProgram::MorviProgram(Outside outside)
{
    fmorvi_ = std::make_unique<ui::TFMorvi>();
    ui::TFMorvi &main = *fmorvi_;
    main.move(toPoint(files::designPosition::main));
    helpform_ = new ui::Thelpform(main, &main);
    ftkonfig_ = new ui::TFTkonfig(
        main.editor(), main, [&main] { main.showdata(); }, &main);
    main.setKeyDialog(ftkonfig_);
    fsystem_ = new ui::TFsystem(
        main.editor(), main, [&main] { main.applyStoredTypeMenuHandler(); }, &main);
    fwaitstates_ = new ui::TFwaitstates(main.link().waitstates, main, &main);
    dialogs_ = outside.dialogs ? std::move(outside.dialogs) : std::make_unique<files::QtFileDialogs>(&main);
    fileActions_ = std::make_unique<files::ConfigFileActions>(
        main.editor(), main, static_cast<files::ConfigFileHost &>(*this), *dialogs_, Memo1);
    recorder_ = std::make_unique<files::FileProgrammingRecorder>(main, [this] { return fileActions_->openFileName(); });
    links_ = std::make_unique<link::DeviceLinks>(main.editor(), main, static_cast<link::TransferHost &>(*this),
                                                 std::move(outside.serial), outside.adapterLibrary, recorder_.get());
    main.link().comok = [this](const QString &name) { return serial().comok(name); };
    usb().setRefresh([&main] { main.showdata(); });
    usb().unit().setErrorDialog([&main](const QString &text) { QMessageBox::critical(&main, QString(), text); });
    transfer().setWaitstates(&main.link().waitstates);
    main.link().usbmode = [this] { return usb().usbmode(); };
    main.link().armAdapterSearch = [this](bool usbmode) { usb().arm(usbmode); };

    wireMenus();
    main.setFormClose([this] { FormClose(); });
    inittimer_.setObjectName(QStringLiteral("inittimer"));
    inittimer_.setSingleShot(true);
    inittimer_.setInterval(300);
    connect(&inittimer_, &QTimer::timeout, this, &MorviProgram::inittimerTimer);
    FormCreate();
}

MorviProgram::~MorviProgram() = default;

void MorviProgram::wireMenus()
{
    ui::TFMorvi &main = *fmorvi_;
    using ui::TFMorvi;
    connect(&main, &TFMorvi::systemRequested, this, [this] { fsystem_->exec(); });
    connect(&main, &TFMorvi::helpRequested, this, [this] { helpform_->exec(); });
    connect(&main, &TFMorvi::waitstatesRequested, this, [this] {
        fwaitstates_->exec();
        fmorvi_->showdata();
    });
    connect(&main, &TFMorvi::kommunikationOpening, this, &MorviProgram::MKommunikationClick);
    connect(&main, &TFMorvi::portChosen, this, &MorviProgram::COMClick);
    connect(&main, &TFMorvi::fastUsbChosen, this, [this](bool fast) { links_->exchange().setFast(fast); });
    connect(&main, &TFMorvi::readRequested, this, [this] { transfer().LeseButtonClick(); });
    connect(&main, &TFMorvi::programRequested, this, [this] { transfer().ProgButtonClick(); });
    connect(&main, &TFMorvi::loadRequested, this, [this] { fileActions_->Laden1Click(); });
    connect(&main, &TFMorvi::saveRequested, this, [this] { fileActions_->Speichern1Click(); });
    main.setUrladdDblClick([this] {
        fmorvi_->beep();
        ui::openWebPage(QStringLiteral("http://") + fmorvi_->urladdCaption());
    });
}

void MorviProgram::FormCreate()
{
    ui::TFMorvi &main = *fmorvi_;
    main.select_normal();
    main.showdata();
    main.showBatteryPanel();
    inittimer_.start();
    main.showinfo("Programmstart", colour::black, option::block);
    main.editor().knownFirmware = FirmwareVersion{2, 20};
}

void MorviProgram::inittimerTimer()
{
    ui::TFMorvi &main = *fmorvi_;
    inittimer_.stop();
    main.editor().resetImage();
    setPortName(QStringLiteral("COM1"));
    main.link().waitstates = 0;
    SettingsFilePath = files::SettingsFilePath();
    // The port mapping lies beside the settings file.
    if (link::PortMap *map = serial().portMap())
        map->setFile(QFileInfo(SettingsFilePath).dir().filePath(QString::fromLatin1(link::portMapFileName)));
    files::ProgramSettings settings;
    // A missing or broken file keeps what was read before the fault.
    files::readSettingsFile(SettingsFilePath, settings, Memo1);
    applySettings(settings);
    main.fastUsbItem()->setChecked(files::readFastUsbChoice(usbChoicePath()));
    main.markSelectedPort();
    fileActions_->setOpenFileName(files::startFileName);
    main.select_normal();
    main.hideRs232TypeItem();
    helpform_->fillContacts();
    main.setUrladdCaption(QString::fromUtf8(maker::web));
    usb().setAdapterprefix(QStringLiteral("QZK"));
    MKommunikationClick();
    main.showdata();
    main.focusLeseButton();
}

QString MorviProgram::usbChoicePath() const
{
    return QFileInfo(SettingsFilePath).dir().filePath(QString::fromLatin1(files::usbChoiceFileName));
}

void MorviProgram::setPortName(const QString &name)
{
    serial().port().setName(name);
    fmorvi_->link().portName = name;
}

void MorviProgram::MKommunikationClick()
{
    serial().refreshPorts();
    serial().MKommunikationClick();
    for (int n = 1; n <= link::SerialLink::portCount; ++n) {
        fmorvi_->setPortItemEnabled(n, serial().portItemEnabled(n));
        fmorvi_->showPortItemDevice(n, serial().portTip(n));
    }
}

void MorviProgram::COMClick(int n)
{
    serial().portChosen(n, *fmorvi_);
    fmorvi_->link().portName = serial().portName();
    fmorvi_->markSelectedPort();
    fmorvi_->showdata();
}

void MorviProgram::applySettings(files::ProgramSettings settings)
{
    ui::TFMorvi &main = *fmorvi_;
    setPortName(settings.portName);
    SavedComNumber = settings.SavedComNumber;
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    files::keepWindowsReachable(
        settings, {main.frameGeometry().width(), helpform_->frameGeometry().width(), fsystem_->frameGeometry().width()},
        screens);
    main.move(toPoint(settings.posMain));
    helpform_->move(toPoint(settings.posHelp));
    fsystem_->move(toPoint(settings.posSystem));
}

files::ProgramSettings MorviProgram::currentSettings() const
{
    files::ProgramSettings settings;
    settings.directory = QDir::currentPath();
    settings.portName = fmorvi_->link().portName;
    settings.SavedComNumber = SavedComNumber;
    settings.posMain = toPosition(fmorvi_->pos());
    settings.posHelp = toPosition(helpform_->pos());
    settings.posSystem = toPosition(fsystem_->pos());
    return settings;
}

void MorviProgram::FormClose()
{
    try {
        serial().port().close();
        // Closing before the delayed initialisation has nowhere to write the settings.
        if (SettingsFilePath.isEmpty()) return;
        files::writeSettingsFile(SettingsFilePath, currentSettings(), fmorvi_->linkStatusText(), Memo1);
        files::writeFastUsbChoice(usbChoicePath(), fmorvi_->fastUsbItem()->isChecked());
    } catch (...) {
        // Shutting down goes on whatever failed; nothing is reported.
    }
}

SendBoxes MorviProgram::sendBoxes() const { return fmorvi_->sendBoxes(); }
QString MorviProgram::serialPortName() const { return fmorvi_->link().portName; }
QString MorviProgram::firmwareLabel() const { return fmorvi_->firmwareText(); }
void MorviProgram::applyDerivedState(const DerivedState &derived) { fmorvi_->applyDerivedState(derived); }
void MorviProgram::showFileName(const QString &name) { fmorvi_->link().fileName = name; }
void MorviProgram::showdata() { fmorvi_->showdata(); }

bool MorviProgram::confirm(const std::string &question) { return fmorvi_->confirm(QString::fromStdString(question)); }

void MorviProgram::setFocus(Button button)
{
    if (button == Button::LeseButton)
        fmorvi_->focusLeseButton();
    else
        fmorvi_->focusProgButton();
}

void MorviProgram::showPanProg(bool visible) { fmorvi_->showProgressPanel(visible); }
void MorviProgram::setLaction(const std::string &text) { fmorvi_->setProgressAction(QString::fromStdString(text)); }
void MorviProgram::setGauge(int percent) { fmorvi_->setPhaseProgress(percent); }
void MorviProgram::showGaugeGesamt(bool visible) { fmorvi_->showTotalProgress(visible); }
void MorviProgram::setGaugeGesamt(int percent) { fmorvi_->setTotalProgress(percent); }

} // namespace morvi::shell
