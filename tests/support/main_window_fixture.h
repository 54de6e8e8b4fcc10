#pragma once

#include "dialog_parts.h"
#include "key_dialog.h"
#include "main_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <memory>

namespace morvi::test {

// A main window as a fresh start leaves it, shown and active so that focus
// moves between its fields as it does for a user. The system beep is counted,
// not sounded.
inline std::unique_ptr<ui::TFMorvi> startedWindow()
{
    ui::installDesignFonts();
    auto w = std::make_unique<ui::TFMorvi>();
    w->setBeepSound([] {});
    ui::TFMorvi *window = w.get();
    w->setKeyDialog(new ui::TFTkonfig(
        w->editor(), *w, [window] { window->showdata(); }, w.get()));
    w->editor().resetImage();
    w->select_normal();
    w->show();
    QApplication::setActiveWindow(w.get());
    if (!QTest::qWaitForWindowActive(w.get())) qWarning("main window did not become active");
    return w;
}

// Types text into a field as a user would and leaves it by moving the focus on.
inline void typeAndLeave(QWidget *window, const QString &fieldName, const QString &text, const QString &nextField)
{
    auto *edit = window->findChild<QLineEdit *>(fieldName);
    auto *next = window->findChild<QWidget *>(nextField);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    next->setFocus();
}

} // namespace morvi::test
