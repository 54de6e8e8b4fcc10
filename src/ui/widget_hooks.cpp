#include "widget_hooks.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace morvi::ui {

namespace {

class EntryFilter : public QObject {
public:
    EntryFilter(QLineEdit *edit, std::function<void()> commit) : QObject(edit), edit_(edit), commit_(std::move(commit))
    {
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::FocusIn:
            // After the line edit has placed its cursor for the click that brought the focus.
            QMetaObject::invokeMethod(edit_, &QLineEdit::selectAll, Qt::QueuedConnection);
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) edit_->selectAll();
            break;
        case QEvent::FocusOut: {
            enterPressedHere_ = false;
            const auto reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) commit_();
            break;
        }
        case QEvent::KeyPress:
            if (isEnter(event)) enterPressedHere_ = true;
            break;
        case QEvent::KeyRelease:
            // Only the release of an Enter pressed in this field commits: the
            // Enter that closes a message box raised by the commit releases
            // here too, and must not commit (and raise the box) again.
            if (isEnter(event) && enterPressedHere_) {
                enterPressedHere_ = false;
                commit_();
                edit_->selectAll();
            }
            break;
        default: break;
        }
        return false;
    }

private:
    static bool isEnter(QEvent *event)
    {
        const auto *key = static_cast<QKeyEvent *>(event);
        return !key->isAutoRepeat() && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter);
    }

    QLineEdit *edit_;
    std::function<void()> commit_;
    bool enterPressedHere_ = false;
};

class MouseFilter : public QObject {
public:
    MouseFilter(QWidget *w, QEvent::Type type, Qt::MouseButton button, std::function<void()> action)
        : QObject(w), type_(type), button_(button), action_(std::move(action))
    {
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == type_ && static_cast<QMouseEvent *>(event)->button() == button_) {
            action_();
            return true;
        }
        return false;
    }

private:
    QEvent::Type type_;
    Qt::MouseButton button_;
    std::function<void()> action_;
};

void hookMouse(QWidget *w, QEvent::Type type, Qt::MouseButton button, std::function<void()> action)
{
    w->installEventFilter(new MouseFilter(w, type, button, std::move(action)));
}

} // namespace

void makeEntryField(QLineEdit *edit, std::function<void()> commit)
{
    edit->installEventFilter(new EntryFilter(edit, std::move(commit)));
}

void onClick(QWidget *w, std::function<void()> action)
{
    hookMouse(w, QEvent::MouseButtonRelease, Qt::LeftButton, std::move(action));
}

void onDoubleClick(QWidget *w, std::function<void()> action)
{
    hookMouse(w, QEvent::MouseButtonDblClick, Qt::LeftButton, std::move(action));
}

void onRightPress(QWidget *w, std::function<void()> action)
{
    hookMouse(w, QEvent::MouseButtonPress, Qt::RightButton, std::move(action));
}

void setBoxState(QCheckBox *box, bool checked, const std::function<void()> &clickHandling)
{
    if (box->isChecked() == checked) return;
    box->setChecked(checked);
    clickHandling();
}

} // namespace morvi::ui
