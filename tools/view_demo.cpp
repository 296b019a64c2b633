// A window with one 3D view on a model, for looking at the view by hand and taking
// screenshots (not part of the program). Steps run one after another, each after the
// previous has been drawn:
//
//   orvane_view_demo MODEL [--resources ARCHIVE] [--size WxH] [STEP...]
//   STEP: --run ID | --click X,Y[,ctrl] | --drag X,Y,X2,Y2 (right button) | --wait MS
//         | --save PNG (the view's picture) | --frames N (time N camera steps, each drawn)
//         | --quit
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <deque>

#include "app/document.h"
#include "app/orvaneview.h"
#include "model/settings.h"
#include "resources/catalog.h"

using namespace orv;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: orvane_view_demo MODEL [--resources ARCHIVE] [--size WxH] [STEP...]\n");
        return 2;
    }
    Settings settings;
    ResourceCatalog catalog;
    DocumentEnvironment services;
    services.settings = &settings;
    QSize size(1024, 768);
    std::deque<QStringList> steps;
    for (int i = 2; i < args.size(); ++i) {
        const QString a = args[i];
        const QString v = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--resources")) {
            if (const auto load = LoadCatalog(v.toStdString(), catalog); !load) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(v), load.error().c_str());
                return 1;
            }
            services.catalog = &catalog;
            services.resourceFile = v.toStdString();
            ++i;
        } else if (a == QLatin1String("--size")) {
            const QStringList wh = v.split(QLatin1Char('x'));
            if (wh.size() == 2)
                size = QSize(wh[0].toInt(), wh[1].toInt());
            ++i;
        } else if (a == QLatin1String("--quit")) {
            steps.push_back({a});
        } else {
            steps.push_back({a, v});
            ++i;
        }
    }

    CDocument doc(services);
    if (const Status opened = doc.Doc().OpenDocument(args[1].toStdString()); !opened) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(args[1]), opened.error().c_str());
        return 1;
    }

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Orvane view - %1").arg(QString::fromStdString(doc.Doc().Title())));
    auto* view = new COrvaneView(doc, &window);
    window.setCentralWidget(view);
    QList<QLabel*> panes;
    for (int i = 0; i < 8; ++i) {
        auto* label = new QLabel(QStringLiteral(" "), &window);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        if (i == 0)
            window.statusBar()->addWidget(label, 1);
        else
            window.statusBar()->addPermanentWidget(label);
        panes.append(label);
    }
    QObject::connect(view, &COrvaneView::paneTexts, &window, [&panes](const QStringList& texts) {
        for (int i = 0; i < 8 && i < texts.size(); ++i)
            panes[i]->setText(texts[i].isEmpty() ? QStringLiteral(" ") : texts[i]);
    });
    view->SetMessageHandler([](const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); });
    window.resize(size);
    window.move(0, 0);
    window.show();
    view->GlWidget()->setFocus();

    QTimer stepper;
    stepper.setSingleShot(true);
    QObject::connect(&stepper, &QTimer::timeout, [&] {
        if (steps.empty())
            return;
        const QStringList step = steps.front();
        steps.pop_front();
        int next = 300;
        const QString& what = step[0];
        QWidget* area = view->GlWidget();
        if (what == QLatin1String("--run")) {
            const int id = step[1].toInt();
            std::printf("run %d: %s\n", id, view->RunCommand(id) ? "done" : "not enabled");
        } else if (what == QLatin1String("--click")) {
            const QStringList p = step[1].split(QLatin1Char(','));
            const QPointF at(p.value(0).toInt(), p.value(1).toInt());
            const Qt::KeyboardModifiers mods =
                p.value(2) == QLatin1String("ctrl") ? Qt::ControlModifier : Qt::NoModifier;
            QMouseEvent press(QEvent::MouseButtonPress, at, area->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                              mods);
            QApplication::sendEvent(area, &press);
            QMouseEvent release(QEvent::MouseButtonRelease, at, area->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                                mods);
            QApplication::sendEvent(area, &release);
            const Selection& s = view->GetSelection();
            std::printf("click %s: mesh %d face %d node %d, %zu nodes\n", qPrintable(step[1]), s.currentMesh,
                        s.currentFace, s.currentNode, s.nodes.size());
        } else if (what == QLatin1String("--drag")) {
            const QStringList p = step[1].split(QLatin1Char(','));
            const QPointF from(p.value(0).toInt(), p.value(1).toInt()), to(p.value(2).toInt(), p.value(3).toInt());
            QMouseEvent press(QEvent::MouseButtonPress, from, area->mapToGlobal(from), Qt::RightButton, Qt::RightButton,
                              {});
            QApplication::sendEvent(area, &press);
            for (int k = 1; k <= 10; ++k) {
                const QPointF at = from + (to - from) * (k / 10.0);
                QMouseEvent move(QEvent::MouseMove, at, area->mapToGlobal(at), Qt::NoButton, Qt::RightButton, {});
                QApplication::sendEvent(area, &move);
            }
            QMouseEvent release(QEvent::MouseButtonRelease, to, area->mapToGlobal(to), Qt::RightButton, Qt::NoButton,
                                {});
            QApplication::sendEvent(area, &release);
        } else if (what == QLatin1String("--wait")) {
            next = step[1].toInt();
        } else if (what == QLatin1String("--save")) {
            // Without OpenGL the window as painted.
            QImage shot = view->GrabFrame();
            if (shot.isNull())
                shot = window.grab().toImage();
            std::printf("save %s: %s\n", qPrintable(step[1]), shot.save(step[1]) ? "written" : "failed");
        } else if (what == QLatin1String("--frames")) {
            const int n = step[1].toInt();
            QElapsedTimer timer;
            timer.start();
            for (int k = 0; k < n; ++k) {
                // As a held key does: a step, then the frame at the next paint.
                view->RunCommand(k % 2 ? 5600 : 5091);
                QApplication::processEvents();
            }
            std::printf("frames: %d in %lld ms\n", n, static_cast<long long>(timer.elapsed()));
        } else if (what == QLatin1String("--quit")) {
            QApplication::quit();
            return;
        }
        std::printf("panes: %s\n", qPrintable(view->PaneTexts().join(QStringLiteral(" | "))));
        std::fflush(stdout);
        stepper.start(next);
    });
    stepper.start(1000);
    return QApplication::exec();
}
