// "What's This?": help on the thing clicked next. Shift+F1 or the Help button of the main
// toolbar turns the pointer into a question mark; the next click opens the guide's page of
// what it lands on (a menu item, a toolbar button, a pane, the 3D view, the status bar, a
// dialog) instead of acting on it. Escape ends it without a page.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace orv {

// The guide's page that tells of a command: the section of its menu ("menus.html#grid"),
// or for a key without a menu item the keys page.
QString CommandHelpPage(int id);
// The page of what a click at pos (in widget's coordinates) lands on; the start page when
// the guide has none of its own.
QString ClickedHelpPage(QWidget* widget, QPoint pos);

class CContextHelp : public QObject {
    Q_OBJECT
public:
    // show: opens a page of the guide.
    explicit CContextHelp(std::function<void(const QString& page)> show, QObject* parent = nullptr);
    ~CContextHelp() override;

    void Start();
    // Ends the mode without a page.
    void Stop();
    bool Active() const { return active_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The mode ends on a click: the page opens once the click is over.
    void Finish(const QString& page);

    std::function<void(const QString&)> show_;
    bool active_ = false;
    bool swallowRelease_ = false;  // the release of the click that chose the page
};

}  // namespace orv
