#pragma once

#include <QObject>
#include <functional>

class QCheckBox;
class QLineEdit;
class QWidget;

namespace morvi::ui {

// Gives a line edit the behaviour every entry field shares: a click or the
// focus coming in selects the whole text; leaving the field commits it;
// releasing Enter commits it and selects the whole text again. Leaving by a
// window switch or an opening menu is not a commit.
void makeEntryField(QLineEdit *edit, std::function<void()> commit);

// Runs action on a mouse click (press and release of the left button) on w.
void onClick(QWidget *w, std::function<void()> action);
// Runs action on a double-click of the left button on w.
void onDoubleClick(QWidget *w, std::function<void()> action);
// Runs action when the right button is pressed on w's own surface.
void onRightPress(QWidget *w, std::function<void()> action);

// Gives a box the state a refresh computed. A real change runs the box's click
// handling at once, exactly as a user click would; the same state does nothing.
void setBoxState(QCheckBox *box, bool checked, const std::function<void()> &clickHandling);

} // namespace morvi::ui
