#include "morvi_program.h"

#include "help_window.h"
#include "key_dialog.h"
#include "main_window.h"
#include "maker.h"
#include "system_dialog.h"
#include "waitstates_dialog.h"
#include "web_page.h"

#include <QAction>
#include <QDir>
#include <QPushButton>

namespace morvi::shell {

MorviProgram::MorviProgram()
{
    fmorvi_ = std::make_unique<ui::TFMorvi>();
    ui::TFMorvi &main = *fmorvi_;
    main.move(mainDesignPosition);
    helpform_ = new ui::Thelpform(main, &main);
    ftkonfig_ = new ui::TFTkonfig(
        main.editor(), main, [&main] { main.showdata(); }, &main);
    main.setKeyDialog(ftkonfig_);
    fsystem_ = new ui::TFsystem(
        main.editor(), main, [&main] { main.applyStoredTypeMenuHandler(); }, &main);
    fwaitstates_ = new ui::TFwaitstates(main.link().waitstates, main, &main);

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
    connect(main.findChild<QAction *>(QStringLiteral("MSystem")), &QAction::triggered, this,
            [this] { fsystem_->exec(); });
    connect(main.findChild<QAction *>(QStringLiteral("MHilfe")), &QAction::triggered, this,
            [this] { helpform_->exec(); });
    connect(main.findChild<QAction *>(QStringLiteral("Mwaitstates")), &QAction::triggered, this, [this] {
        fwaitstates_->exec();
        fmorvi_->showdata();
    });
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
    main.link().portName = QStringLiteral("COM1");
    main.link().waitstates = 0;
    SettingsFilePath = QDir::currentPath() + QStringLiteral("/morvi.ini");
    main.markSelectedPort();
    main.link().fileName = QStringLiteral("neue datei.txc");
    main.select_normal();
    main.findChild<QAction *>(QStringLiteral("MTyp_RS232"))->setVisible(false);
    helpform_->fillContacts();
    main.setUrladdCaption(QString::fromUtf8(maker::web));
    main.showdata();
    main.findChild<QPushButton *>(QStringLiteral("LeseButton"))->setFocus();
}

void MorviProgram::FormClose()
{
    // Closing before the delayed initialisation has nowhere to write the settings.
    if (SettingsFilePath.isEmpty()) return;
}

} // namespace morvi::shell
