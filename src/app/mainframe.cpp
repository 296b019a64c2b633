#include "app/mainframe.h"

namespace orv {

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Orvane"));
    resize(1024, 768);
}

}  // namespace orv
