#include "web_page.h"

#include <QDesktopServices>
#include <QUrl>

namespace morvi::ui {

namespace {
WebPageOpener &opener()
{
    static WebPageOpener current;
    return current;
}
} // namespace

void openWebPage(const QString &address)
{
    if (opener()) {
        opener()(address);
        return;
    }
    (void)QDesktopServices::openUrl(QUrl(address));
}

void setWebPageOpener(WebPageOpener replacement) { opener() = std::move(replacement); }

} // namespace morvi::ui
