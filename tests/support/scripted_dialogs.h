#pragma once

#include "file_dialogs.h"

#include <QStringList>
#include <vector>

namespace morvi::test {

// Answers the dialogs from a script; an empty script or a null string cancels.
class ScriptedDialogs : public files::FileDialogs {
public:
    QStringList answers;
    std::vector<files::FileDialogRequest> requests;

    std::optional<QString> choose(const files::FileDialogRequest &request) override
    {
        requests.push_back(request);
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        if (answer.isNull()) return std::nullopt;
        return answer;
    }
};

} // namespace morvi::test
