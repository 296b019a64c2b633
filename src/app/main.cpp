#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/command_line.h"
#include "app/dialogs.h"
#include "app/settingsstore.h"
#include "app/single_instance.h"
#include "model/version.h"

int main(int argc, char** argv)
{
    // Answered before the toolkit starts, which needs a display.
    const orv::EditorCommandLine line = orv::ParseEditorCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.action) {
    case orv::EditorCommandLine::Action::Help: std::fputs(orv::EditorUsage().c_str(), stdout); return 0;
    case orv::EditorCommandLine::Action::Version: std::printf("%s\n", orv::kVersionString); return 0;
    case orv::EditorCommandLine::Action::Wrong:
        std::fprintf(stderr, "orvane: %s (see orvane --help)\n", line.problem.c_str());
        return 2;
    case orv::EditorCommandLine::Action::Run: break;
    }

    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvanedit"));
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    QApplication::setWindowIcon(orv::AppIcon());
    QStringList args;
    if (!line.file.empty())
        args << QFileInfo(QString::fromLocal8Bit(line.file.c_str())).absoluteFilePath();

    // An editor already running on this display takes the file, before this one reads the
    // settings or makes a window.
    orv::CInstanceServer instance;
    if (!line.newInstance && instance.Claim(orv::InstanceSocketPath(), args) == orv::CInstanceServer::Role::Handed)
        return 0;

    orv::COrvaneApp app(orv::OpenSettingsStore());
    if (!app.Start(args, {line.splash, line.splash}))
        return 1;
    instance.SetHandler([&app](const QStringList& files) { app.OpenHandedFiles(files); });
    const int rc = QApplication::exec();
    app.Shutdown();
    return rc;
}
