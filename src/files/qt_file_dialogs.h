#pragma once

#include "file_dialogs.h"

class QWidget;

namespace morvi::files {

// The toolkit's own open and save dialogs.
class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget *parent) : parent_(parent) {}
    std::optional<QString> choose(const FileDialogRequest &request) override;

private:
    QWidget *parent_;
};

} // namespace morvi::files
