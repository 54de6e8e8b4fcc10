#include "morvi_program.h"

#include "qt_file_dialogs.h"
#include "usb_choice_file.h"

#include "connection_check.h"
#include "connection_dialog.h"
#include "help_window.h"
#include "key_dialog.h"
#include "main_window.h"
#include "maker.h"
#include "programming_record.h"
#include "screen_fit.h"
#include "system_dialog.h"
#include "waitstates_dialog.h"
#include "web_page.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include <array>
#include <utility>

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
    recorder_ = std::make_unique<files::FileProgrammingRecorder>(main, [this] { return fileActions_->configName(); });
    adapterLibrary_ = outside.adapterLibrary;
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
    connect(&sessionEnd_, &SignalWatch::caught, this, [this] { fmorvi_->close(); });
    sessionEnd_.start();
    inittimer_.setObjectName(QStringLiteral("inittimer"));
    inittimer_.setSingleShot(true);
    inittimer_.setInterval(300);
    connect(&inittimer_, &QTimer::timeout, this, &MorviProgram::inittimerTimer);
    FormCreate();
}

MorviProgram::~MorviProgram()
{
    // An entry field that still holds the focus commits when it loses it; that
    // must happen now, while the links its refresh reaches are still there.
    if (QWidget *focused = fmorvi_->focusWidget()) focused->clearFocus();
}

void MorviProgram::wireMenus()
{
    ui::TFMorvi &main = *fmorvi_;
    using ui::TFMorvi;
    connect(&main, &TFMorvi::systemRequested, this, [this] { fsystem_->exec(); });
    connect(&main, &TFMorvi::helpRequested, this, [this] { helpform_->exec(); });
    connect(&main, &TFMorvi::checkRequested, this, [this] {
        // The same mapping file and adapter library the transfers use.
        const auto inputs =
            link::systemCheckInputs(besideSettings(link::portMapFileName), adapterLibrary_, files::backupFolder());
        ui::TFVerbindung dialog(link::reportText(link::connectionCheck(inputs)), fmorvi_.get());
        dialog.exec();
    });
    connect(&main, &TFMorvi::waitstatesRequested, this, [this] {
        fwaitstates_->exec();
        fmorvi_->showdata();
    });
    connect(&main, &TFMorvi::kommunikationOpening, this, &MorviProgram::MKommunikationClick);
    connect(&main, &TFMorvi::portChosen, this, &MorviProgram::COMClick);
    connect(&main, &TFMorvi::readRequested, this, [this] {
        if (fmorvi_->mayDiscardEdits()) transfer().LeseButtonClick();
    });
    connect(&main, &TFMorvi::fastUsbChosen, this, [this](bool fast) { links_->exchange().setFast(fast); });
    connect(&main, &TFMorvi::programRequested, this, [this] { transfer().ProgButtonClick(); });
    connect(&main, &TFMorvi::loadRequested, this, [this] {
        if (fmorvi_->mayDiscardEdits() && fileActions_->Laden1Click()) fmorvi_->editor().markUnchanged();
    });
    connect(&main, &TFMorvi::saveRequested, this, [this] {
        if (fileActions_->Speichern1Click()) fmorvi_->editor().markUnchanged();
    });
    // A transfer announces its end before its outcome is final; the refresh it
    // asks for afterwards takes the outcome (see showdata).
    connect(&transfer(), &link::Transfer::ended, this, [this] { transferEnded_ = true; });
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
    main.editor().markUnchanged();
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
    if (link::PortMap *map = serial().portMap()) map->setFile(besideSettings(link::portMapFileName));
    files::ProgramSettings settings;
    // A missing or broken file keeps what was read before the fault.
    files::readSettingsFile(SettingsFilePath, settings, Memo1);
    applySettings(settings);
    main.fastUsbItem()->setChecked(files::readFastUsbChoice(besideSettings(files::usbChoiceFileName)));
    main.markSelectedPort();
    fileActions_->setOpenFileName(files::startFileName);
    main.select_normal();
    main.hideRs232TypeItem();
    helpform_->fillContacts();
    main.setUrladdCaption(QString::fromUtf8(maker::web));
    usb().setAdapterprefix(QStringLiteral("QZK"));
    MKommunikationClick();
    main.showdata();
    main.editor().markUnchanged();
    main.focusLeseButton();
}

QString MorviProgram::besideSettings(const char *fileName) const
{
    return QFileInfo(SettingsFilePath).dir().filePath(QString::fromLatin1(fileName));
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
    const QList<QRect> areas = ui::availableScreenAreas();
    const std::array<std::pair<QWidget *, files::WindowPosition>, 3> windows{
        {{&main, settings.posMain}, {helpform_, settings.posHelp}, {fsystem_, settings.posSystem}}};
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const auto [window, read] = windows[i];
        const QPoint shown = ui::keepOnScreen(toPoint(read), ui::outerSize(*window, main), areas);
        window->move(shown);
        placed_[i] = {read, toPosition(shown)};
    }
}

files::WindowPosition MorviProgram::remembered(std::size_t window, QPoint now) const
{
    const auto [read, shown] = placed_[window];
    return toPosition(now) == shown ? read : toPosition(now);
}

files::ProgramSettings MorviProgram::currentSettings() const
{
    files::ProgramSettings settings;
    settings.directory = QDir::currentPath();
    settings.portName = fmorvi_->link().portName;
    settings.SavedComNumber = SavedComNumber;
    settings.posMain = remembered(0, fmorvi_->pos());
    settings.posHelp = remembered(1, helpform_->pos());
    settings.posSystem = remembered(2, fsystem_->pos());
    return settings;
}

void MorviProgram::FormClose()
{
    // A run still under way ends here, recorded while all it uses is alive.
    transfer().abandon();
    try {
        serial().port().close();
        // Closing before the delayed initialisation has nowhere to write the settings.
        if (SettingsFilePath.isEmpty()) return;
        files::writeSettingsFile(SettingsFilePath, currentSettings(), fmorvi_->linkStatusText(), Memo1);
        files::writeFastUsbChoice(besideSettings(files::usbChoiceFileName), fmorvi_->fastUsbItem()->isChecked());
    } catch (...) {
        // Shutting down goes on whatever failed; nothing is reported.
    }
}

SendBoxes MorviProgram::sendBoxes() const { return fmorvi_->sendBoxes(); }
QString MorviProgram::serialPortName() const { return fmorvi_->link().portName; }
QString MorviProgram::firmwareLabel() const { return fmorvi_->firmwareText(); }
void MorviProgram::applyDerivedState(const DerivedState &derived) { fmorvi_->applyDerivedState(derived); }
void MorviProgram::showFileName(const QString &name) { fmorvi_->link().fileName = name; }
void MorviProgram::showdata()
{
    fmorvi_->showdata();
    if (!std::exchange(transferEnded_, false)) return;
    // A read replaces the edits, a checksum error all the same; a programming
    // run that ends well has put them into the transmitter.
    using Kind = ProgrammingOutcome::Kind;
    const Kind kind = transfer().lastOutcome().kind;
    if (kind == Kind::success || kind == Kind::checksumError) fmorvi_->editor().markUnchanged();
}

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
