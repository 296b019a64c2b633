#include <QApplication>

#include "app/mainframe.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    orv::CMainFrame frame;
    frame.show();
    return QApplication::exec();
}
