#pragma once

#include <QString>
#include <functional>

namespace morvi::ui {

// Opens a web address with the desktop's default handler. Whether that works
// is not reported: the user has heard the beep and sees the browser or not.
void openWebPage(const QString &address);

// Replaces the desktop's handler, for tests; an empty function puts it back.
using WebPageOpener = std::function<void(const QString &address)>;
void setWebPageOpener(WebPageOpener opener);

} // namespace morvi::ui
