// The resource dialog tests' game archive, and prompts that answer from a script.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/prompts.h"
#include "app_harness.h"
#include "model/fileio.h"
#include "model/settings.h"
#include "resources/archive.h"
#include "resources/bitmap.h"
#include "resources/catalog.h"
#include "resources/material.h"
#include "resources/sample.h"

namespace dlgtest {

inline std::filesystem::path P(const QString& s) { return std::filesystem::path(s.toStdString()); }

// The file's bytes as the core's writers and archives give them.
inline std::vector<uint8_t> ReadAll(const QString& path)
{
    const QByteArray bytes = apptest::Read(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

inline bool WriteAll(const QString& path, const std::vector<uint8_t>& bytes)
{
    return orv::WriteFileAtomic(P(path), std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))
        .ok();
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

inline orv::ArchiveDirectory Dir(const QString& archive) { return orv::ReadArchiveDirectory(P(archive)).value_or({}); }

inline std::vector<uint8_t> Item(const QString& archive, const std::string& name)
{
    for (const auto& r : Dir(archive).records)
        if (r.name == name)
            return orv::ReadArchiveEntry(P(archive), r).value_or({});
    return {};
}

// A colormap whose palette is a grey ramp (entry i = i, i, i), unlike the sample's.
inline std::vector<uint8_t> GreyColormap()
{
    std::vector<uint8_t> cmp = orv::MakeSampleColormap();
    for (std::size_t i = 0; i < 256 * 3; ++i)
        cmp[orv::kColormapHeadSize + i] = static_cast<uint8_t>(i / 3);
    return cmp;
}

inline orv::Palette PaletteOf(const std::vector<uint8_t>& cmp) { return orv::ParseColormap(cmp).value_or({}).palette; }

// A small 8-bit picture of four colours in its own palette: row y, column x has
// index (x + 2 * y) % 4; width 5 (not a multiple of 4).
inline orv::MaterialImage TestPicture()
{
    orv::MaterialImage img;
    img.width = 5;
    img.height = 3;
    img.stride = orv::StrideOf(img.width);
    img.celCount = 1;
    // Red, green, blue and white, stored blue, green, red.
    const uint8_t bgr[12] = {10, 10, 250, 10, 250, 10, 250, 10, 10, 240, 240, 240};
    for (int i = 0; i < 12; ++i)
        img.palette[i / 3 * 4 + i % 3] = bgr[i];
    for (int i = 0; i < img.width * img.height; ++i)
        img.pixels.push_back(static_cast<uint8_t>((i % img.width + 2 * (i / img.width)) % 4));
    return img;
}

// The game's resources: 01redmap.cmp (the sample palette), dflt.cmp (grey) and the
// sample materials, in an archive of a temporary folder, with the catalogue read from it.
struct Resources {
    QTemporaryDir dir;
    orv::Settings settings;
    orv::ResourceCatalog catalog;
    orv::DocumentEnvironment services;
    QString archive;

    explicit Resources(bool withColormaps = true)
    {
        archive = dir.filePath(u"res2.gob"_s);
        std::vector<orv::ArchiveEntryData> entries;
        for (auto& e : orv::SampleResourceEntries()) {
            const bool colormap = e.name.find(".cmp") != std::string::npos;
            if (colormap && !withColormaps)
                continue;
            if (e.name == "misc\\cmp\\dflt.cmp")
                e.data = GreyColormap();
            entries.push_back(std::move(e));
        }
        const orv::Status written = orv::WriteArchive(P(archive), entries);
        const auto loaded = orv::LoadCatalog(P(archive), catalog);
        if (!written || !loaded)
            qFatal("cannot make the test archive: %s%s", written.error().c_str(), loaded.error().c_str());
        settings.warning = 1;
        services.settings = &settings;
        services.catalog = &catalog;
        services.resourceFile = P(archive);
    }

    std::vector<uint8_t> Entry(const std::string& name) const { return Item(archive, name); }
};

template <class T>
T Pop(std::deque<T>& queue, T none = {})
{
    if (queue.empty())
        return none;
    T a = std::move(queue.front());
    queue.pop_front();
    return a;
}

// Answers the dialogs' questions from queues (an empty queue cancels or says No) and
// records every request.
struct Script {
    std::deque<orv::FileAnswer> openAnswers;
    std::deque<orv::FileAnswer> saveAnswers;
    std::deque<bool> yesNo;
    std::vector<orv::FileRequest> openRequests;
    std::vector<orv::FileRequest> saveRequests;
    QStringList questions;
    QStringList messages;
    // Progress callbacks handed out: each returns what progressAnswer says.
    std::function<bool(uint64_t, uint64_t)> progressAnswer;
    int progressCalls = 0;
    // How the dialogs a dialog opens end: exec for all of them, else the queue's answers in
    // turn (none left: rejected).
    std::function<int(QDialog&)> exec;
    std::deque<std::function<int(QDialog&)>> dialogs;

    orv::Prompts Make()
    {
        orv::Prompts p;
        p.openFiles = [this](QWidget*, const orv::FileRequest& r) {
            openRequests.push_back(r);
            return Pop(openAnswers);
        };
        p.saveFile = [this](QWidget*, const orv::FileRequest& r) {
            saveRequests.push_back(r);
            return Pop(saveAnswers);
        };
        p.message = [this](QWidget*, QMessageBox::Icon, const QString& text, QMessageBox::StandardButtons b) {
            if (!b.testFlag(QMessageBox::Yes)) {
                messages << text;
                return QMessageBox::Ok;
            }
            questions << text;
            return Pop(yesNo, false) ? QMessageBox::Yes : QMessageBox::No;
        };
        p.progress = [this](QWidget*, const QString&) -> orv::ArchiveProgress {
            return [this](uint64_t done, uint64_t total) {
                ++progressCalls;
                return progressAnswer ? progressAnswer(done, total) : true;
            };
        };
        p.exec = [this](QDialog& d) {
            const auto answer = exec ? exec : Pop(dialogs);
            return answer ? answer(d) : static_cast<int>(QDialog::Rejected);
        };
        return p;
    }
};

}  // namespace dlgtest
