// Shows the resource dialogs with real data for a while, so they can be looked at (or
// photographed with ImageMagick's "import -window root" under Xvfb). Not a test.
//
//   orvane_dialog_shots filemanager ARCHIVE [ITEM [ROW...]] [--bitmap-question]
//   orvane_dialog_shots materials MODEL.3do [add]
//   options: --resources RES2.GOB (default: the sample archive) --seconds N (default 6)
//            --add FILE (the file manager adds FILE after a second, to watch the progress)
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/filemanager_dlg.h"
#include "app/materials_dlg.h"
#include "model/settings.h"
#include "resources/catalog.h"

using namespace orv;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString resources =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../../share/orvane/sample/res2.gob"));
    int seconds = 6;
    QString addLater;
    for (int i = 0; i + 1 < args.size();) {
        if (args[i] == QLatin1String("--resources")) {
            resources = args[i + 1];
            args.remove(i, 2);
        } else if (args[i] == QLatin1String("--add")) {
            addLater = args[i + 1];
            args.remove(i, 2);
        } else if (args[i] == QLatin1String("--seconds")) {
            seconds = args[i + 1].toInt();
            args.remove(i, 2);
        } else {
            ++i;
        }
    }
    if (args.size() < 2) {
        std::fprintf(stderr,
                     "usage: orvane_dialog_shots filemanager ARCHIVE [ITEM [ROW...]] | materials MODEL.3do [add]\n");
        return 2;
    }

    Settings settings;
    ResourceCatalog catalog;
    if (const auto load = LoadCatalog(resources.toStdString(), catalog); !load)
        std::fprintf(stderr, "resources: %s\n", load.error().c_str());
    DocumentEnvironment services;
    services.settings = &settings;
    services.catalog = &catalog;
    services.resourceFile = resources.toStdString();

    // Ends the program even inside a message box or a rewrite.
    QTimer::singleShot(seconds * 1000, [] {
        std::fflush(nullptr);
        std::_Exit(0);
    });

    if (args[0] == QLatin1String("filemanager")) {
        CFileManagerDlg dlg(services);
        dlg.move(20, 20);
        dlg.show();
        if (!dlg.OpenArchiveFile(args[1]))
            return 1;
        if (args.size() > 2)
            dlg.SelectItem(args[2]);
        if (args.size() > 3) {
            dlg.SelectRows(args.mid(3));
            for (int i = 0; i < dlg.List()->topLevelItemCount(); ++i)
                if (dlg.List()->topLevelItem(i)->text(0) == args[3])
                    dlg.List()->setCurrentItem(dlg.List()->topLevelItem(i), 0, QItemSelectionModel::NoUpdate);
        }
        dlg.MakeAllThumbnails();
        if (!addLater.isEmpty())
            QTimer::singleShot(1000, &dlg, [&dlg, addLater] { dlg.AddFile(addLater); });
        return QApplication::exec();
    }

    CDocument doc(services);
    if (const Status opened = doc.Doc().OpenDocument(args[1].toStdString()); !opened) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(args[1]), opened.error().c_str());
        return 1;
    }
    std::optional<FaceIndex> face;
    if (const CGeometry* geo = doc.Model().CurrentGeoset())
        for (std::size_t m = 0; m < geo->meshes.size() && !face; ++m)
            for (std::size_t f = 0; f < geo->meshes[m].faces.size() && !face; ++f)
                if (geo->meshes[m].faces[f].material >= 2)
                    face = FaceIndex{static_cast<int32_t>(m), static_cast<int32_t>(f)};
    CMaterialsDlg dlg(doc, CMaterialsDlg::Mode::InModel, face);
    dlg.move(20, 20);
    dlg.show();
    std::unique_ptr<CMaterialsDlg> stock;
    if (args.size() > 2 && args[2] == QLatin1String("add")) {
        stock = std::make_unique<CMaterialsDlg>(doc, CMaterialsDlg::Mode::AddToModel, std::nullopt, &dlg);
        stock->move(420, 300);
        stock->show();
    }
    return QApplication::exec();
}
