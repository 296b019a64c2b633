#include <QApplication>

#include "app/app.h"
#include "app/dialogs.h"
#include "app/settingsstore.h"

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvanedit"));
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    QApplication::setWindowIcon(orv::AppIcon());
    orv::COrvaneApp app(orv::OpenSettingsStore());
    QStringList args = QApplication::arguments();
    args.removeFirst();
    const bool quiet = args.contains(QStringLiteral("--no-splash"));
    if (!app.Start(args, {!quiet, !quiet}))
        return 1;
    const int rc = QApplication::exec();
    app.Shutdown();
    return rc;
}
