#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/command_line.h"
#include "app/dialogs.h"
#include "app/settingsstore.h"
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
    orv::COrvaneApp app(orv::OpenSettingsStore());
    QStringList args;
    if (!line.file.empty())
        args << QString::fromLocal8Bit(line.file.c_str());
    if (!app.Start(args, {line.splash, line.splash}))
        return 1;
    const int rc = QApplication::exec();
    app.Shutdown();
    return rc;
}
