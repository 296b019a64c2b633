#include <QApplication>

#include "app/dialogs.h"
#include "app/mainframe.h"
#include "model/settings.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    orv::Settings settings;
    orv::CMainFrame frame(settings);
    frame.setWindowIcon(orv::AppIcon());
    frame.BuildMenusAndToolbars();
    frame.show();
    return QApplication::exec();
}
