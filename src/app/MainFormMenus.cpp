// The main window's menus and the keys it takes before its controls: each entry runs the
// command another area attached, or its own handler.

#include "app/MainForm.h"

#include <QAction>
#include <QDialog>
#include <QKeyEvent>
#include <QMenuBar>
#include <QUndoStack>

namespace relvane {

QAction* TMainForm::AddEntry(QMenu* menu, const QString& name, const QString& text,
                             std::function<void()> MainCommands::*command)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    if (command) {
        commandEntries_.emplace_back(action, command);
        connect(action, &QAction::triggered, this, [this, command] {
            if (const auto& run = commands_.*command)
                run();
        });
    }
    return action;
}

void TMainForm::BuildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    AddEntry(file, QStringLiteral("Open"), QStringLiteral("&Open"), &MainCommands::open);
    AddEntry(file, QStringLiteral("Save"), QStringLiteral("Save"), &MainCommands::save);
    AddEntry(file, QStringLiteral("ExportCanDatabase1"), QStringLiteral("Export CAN database") + QChar(0x2026),
             &MainCommands::exportCanDatabase);
    AddEntry(file, QStringLiteral("ExportSheet1"), QStringLiteral("Export sheet") + QChar(0x2026), &MainCommands::exportSheet)
        ->setStatusTip(QStringLiteral("Write the configuration sheet for printing (PDF or HTML)"));
    file->addSeparator();
    AddEntry(file, QStringLiteral("Read2"), QStringLiteral("Read               F8"),
             &MainCommands::read)
        ->setStatusTip(QStringLiteral("Read data from relvane"));
    AddEntry(file, QStringLiteral("Upload1"), QStringLiteral("Upload            F9"),
             &MainCommands::upload)
        ->setStatusTip(QStringLiteral("Upload data to relvane"));
    AddEntry(file, QStringLiteral("Default"), QStringLiteral("Default settings"),
             &MainCommands::defaults);
    file->addSeparator();
    QAction* exit = AddEntry(file, QStringLiteral("Close1"), QStringLiteral("&Exit"), nullptr);
    connect(exit, &QAction::triggered, this, &TMainForm::Close1Click);

    // Undo and Redo follow the configuration's steps once SetUndoStack gives them.
    edit1_ = bar->addMenu(QStringLiteral("&Edit"));
    edit1_->setObjectName(QStringLiteral("Edit1"));
    undo1_ = edit1_->addAction(QStringLiteral("&Undo"));
    undo1_->setObjectName(QStringLiteral("Undo1"));
    undo1_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    undo1_->setEnabled(false);
    redo1_ = edit1_->addAction(QStringLiteral("&Redo"));
    redo1_->setObjectName(QStringLiteral("Redo1"));
    redo1_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    redo1_->setEnabled(false);

    QMenu* connection = bar->addMenu(QStringLiteral("&Connection"));
    connection->setObjectName(QStringLiteral("Connection1"));
    QAction* usb = AddEntry(connection, QStringLiteral("USB1"), QStringLiteral("&USB"), nullptr);
    connect(usb, &QAction::triggered, this, &TMainForm::USB1Click);

    QMenu* tools = bar->addMenu(QStringLiteral("Tools"));
    tools->setObjectName(QStringLiteral("Tools1"));
    tools1_ = tools;
    AddEntry(tools, QStringLiteral("Firmware1"), QStringLiteral("Firmware"), &MainCommands::firmware);
    AddEntry(tools, QStringLiteral("FIA"), QStringLiteral("FIA "), &MainCommands::fia);
    AddEntry(tools, QStringLiteral("CompareConfiguration1"),
             QStringLiteral("Compare configuration") + QChar(0x2026), &MainCommands::compare);
    AddEntry(tools, QStringLiteral("Trend1"), QStringLiteral("Trend") + QChar(0x2026), &MainCommands::trend);
    AddEntry(tools, QStringLiteral("History1"), QStringLiteral("History") + QChar(0x2026), &MainCommands::history);

    production1_ = bar->addMenu(QStringLiteral("Orvik"));
    production1_->setObjectName(QStringLiteral("Production1"));
    AddEntry(production1_, QStringLiteral("Systemsetup1"), QStringLiteral("System setup"),
             &MainCommands::systemSetup);
    AddEntry(production1_, QStringLiteral("Calibration1"), QStringLiteral("Calibration"),
             &MainCommands::calibration);
    AddEntry(production1_, QStringLiteral("PingTest1"), QStringLiteral("Ping Test"),
             &MainCommands::pingTest);
    AddEntry(production1_, QStringLiteral("Runtimeerror1"), QStringLiteral("Runtime error"),
             &MainCommands::runtimeError);
    AddEntry(production1_, QStringLiteral("Eeprom"), QStringLiteral("Eeprom"), &MainCommands::eeprom);
    AddEntry(production1_, QStringLiteral("Station1"), QStringLiteral("Station") + QChar(0x2026), &MainCommands::station);
    // Hidden until the access code is typed in the About window.
    production1_->menuAction()->setVisible(false);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    QAction* about = AddEntry(help, QStringLiteral("About1"), QStringLiteral("&About.."), nullptr);
    connect(about, &QAction::triggered, this, &TMainForm::About1Click);

    RefreshCommandStates();
}

void TMainForm::SetUndoStack(QUndoStack* stack)
{
    // The entries name the step they take back or do again: "&Undo Delay CH5".
    const auto named = [](const QString& command, const QString& step) {
        return step.isEmpty() ? command : command + QLatin1Char(' ') + step;
    };
    connect(stack, &QUndoStack::canUndoChanged, undo1_, &QAction::setEnabled);
    connect(stack, &QUndoStack::canRedoChanged, redo1_, &QAction::setEnabled);
    connect(stack, &QUndoStack::undoTextChanged, undo1_,
            [this, named](const QString& step) { undo1_->setText(named(QStringLiteral("&Undo"), step)); });
    connect(stack, &QUndoStack::redoTextChanged, redo1_,
            [this, named](const QString& step) { redo1_->setText(named(QStringLiteral("&Redo"), step)); });
    connect(undo1_, &QAction::triggered, stack, &QUndoStack::undo);
    connect(redo1_, &QAction::triggered, stack, &QUndoStack::redo);
    undo1_->setEnabled(stack->canUndo());
    redo1_->setEnabled(stack->canRedo());
    undo1_->setText(named(QStringLiteral("&Undo"), stack->undoText()));
    redo1_->setText(named(QStringLiteral("&Redo"), stack->redoText()));
}

void TMainForm::RevealProductionMenu()
{
    production1_->menuAction()->setVisible(true);
}

void TMainForm::SetCommands(MainCommands commands)
{
    commands_ = std::move(commands);
    RefreshCommandStates();
}

void TMainForm::RefreshCommandStates()
{
    for (const auto& [action, command] : commandEntries_)
        action->setEnabled(static_cast<bool>(commands_.*command));
}

void TMainForm::Close1Click()
{
    close();
}

void TMainForm::USB1Click()
{
    if (usbSelectForm_)
        usbSelectForm_->exec();
}

void TMainForm::About1Click()
{
    if (commands_.about) {
        commands_.about();
        return;
    }
    if (!aboutForm_)
        return;
    // Centred over the main window.
    const QRect main = frameGeometry();
    aboutForm_->move(main.left() + (main.width() - aboutForm_->width()) / 2,
                     main.top() + (main.height() - aboutForm_->height()) / 2);
    if (auto* dialog = qobject_cast<QDialog*>(aboutForm_.data()))
        dialog->exec();
    else
        aboutForm_->show();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (FormKeyDown(key->key(), key->modifiers()))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TMainForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    // A field takes Ctrl+Z for its own text; the configuration's undo is what the user means.
    const Qt::KeyboardModifiers mods = modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (key == Qt::Key_Z && mods == Qt::ControlModifier) {
        undo1_->trigger();
        return true;
    }
    if (((key == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier))
                   || (key == Qt::Key_Y && mods == Qt::ControlModifier))) {
        redo1_->trigger();
        return true;
    }
    if (key == Qt::Key_F8 && commands_.read) {
        commands_.read();
        return true;
    }
    if (key == Qt::Key_F9 && commands_.upload) {
        commands_.upload();
        return true;
    }
    if (key == Qt::Key_Slash && (modifiers & Qt::KeypadModifier) && live_.keypadDivide) {
        live_.keypadDivide();
        return true;
    }
    return false;
}

} // namespace relvane
