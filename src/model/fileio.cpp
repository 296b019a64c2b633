#include "model/fileio.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

namespace orv {

namespace fs = std::filesystem;

std::string DescribeIoError(const fs::path& path, const char* action)
{
    const int e = errno;
    std::string msg = std::string("cannot ") + action + " " + path.string();
    if (e != 0)
        msg += ": " + std::string(std::strerror(e));
    return msg;
}

namespace {

template <typename Container>
Result<Container> ReadInto(const fs::path& path)
{
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Fail(DescribeIoError(path, "open"));
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return Fail("cannot read " + path.string() + ": it is a folder");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < 0)
        return Fail(DescribeIoError(path, "read"));
    Container out;
    out.resize(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(out.data()), size))
        return Fail(DescribeIoError(path, "read"));
    return out;
}

fs::path TempNameFor(const fs::path& target)
{
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path t = target;
    t += ".orvane-tmp-" + std::to_string(stamp) + "-" + std::to_string(counter++);
    return t;
}

}  // namespace

Result<std::vector<uint8_t>> ReadWholeFile(const fs::path& path) { return ReadInto<std::vector<uint8_t>>(path); }

Result<std::string> ReadWholeTextFile(const fs::path& path) { return ReadInto<std::string>(path); }

AtomicFileWriter::AtomicFileWriter(fs::path target) : target_(std::move(target))
{
    temp_ = TempNameFor(target_);
    std::error_code ec;
    // A folder would only be found at the rename, when other files of a set may already
    // have been replaced.
    if (fs::is_directory(target_, ec)) {
        error_ = "cannot write " + target_.string() + ": it is a folder";
        return;
    }
    if (fs::is_regular_file(target_, ec)) {
        // The rename would replace even a file that may not be written: ask first. The
        // replacement gets the permissions the file had.
        errno = 0;
        if (!std::fstream(target_, std::ios::in | std::ios::out | std::ios::binary).is_open()) {
            error_ = DescribeIoError(target_, "write");
            return;
        }
        const auto status = fs::status(target_, ec);
        if (!ec)
            keepPermissions_ = status.permissions();
    }
    errno = 0;
    stream_.open(temp_, std::ios::binary | std::ios::trunc);
    if (!stream_.is_open())
        error_ = DescribeIoError(target_, "write");
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (!committed_) {
        if (stream_.is_open())
            stream_.close();
        std::error_code ec;
        fs::remove(temp_, ec);
    }
}

Status AtomicFileWriter::Finish()
{
    auto fail = [&](std::string msg) {
        error_ = std::move(msg);
        std::error_code ec;
        fs::remove(temp_, ec);
        return Fail(error_);
    };
    if (!error_.empty())
        return fail(error_);
    if (finished_)
        return {};
    errno = 0;
    stream_.flush();
    const bool ok = stream_.good();
    stream_.close();
    if (!ok || stream_.fail())
        return fail(DescribeIoError(target_, "write"));
    std::error_code ec;
    if (keepPermissions_)
        fs::permissions(temp_, *keepPermissions_, ec);
    finished_ = true;
    return {};
}

Status AtomicFileWriter::Commit()
{
    if (Status finished = Finish(); !finished)
        return finished;
    std::error_code ec;
    fs::rename(temp_, target_, ec);
    if (ec) {
        error_ = "cannot write " + target_.string() + ": " + ec.message();
        fs::remove(temp_, ec);
        return Fail(error_);
    }
    committed_ = true;
    return {};
}

AtomicFileSet::~AtomicFileSet()
{
    if (committed_)
        return;
    writers_.clear();  // their temporaries removed
    std::error_code ec;
    for (auto it = madeFolders_.rbegin(); it != madeFolders_.rend(); ++it)
        fs::remove(*it, ec);  // only when empty: nothing of anyone else's goes
}

Status AtomicFileSet::MakeFolders(const fs::path& folder)
{
    if (!error_.empty())
        return Fail(error_);
    std::error_code ec;
    std::vector<fs::path> missing;
    for (fs::path up = folder; !up.empty() && !fs::exists(up, ec); up = up.parent_path()) {
        missing.push_back(up);
        if (up == up.parent_path())
            break;
    }
    fs::create_directories(folder, ec);
    madeFolders_.insert(madeFolders_.end(), missing.rbegin(), missing.rend());
    if (ec || !fs::is_directory(folder, ec)) {
        error_ = "cannot make the folder " + folder.string() + (ec ? ": " + ec.message() : "");
        return Fail(error_);
    }
    return {};
}

AtomicFileWriter* AtomicFileSet::Open(const fs::path& target)
{
    if (!error_.empty())
        return nullptr;
    auto w = std::make_unique<AtomicFileWriter>(target);
    if (!w->IsOpen()) {
        error_ = w->Error();
        return nullptr;
    }
    writers_.push_back(std::move(w));
    return writers_.back().get();
}

Status AtomicFileSet::Add(const fs::path& target, std::string_view bytes)
{
    if (AtomicFileWriter* w = Open(target)) {
        w->Stream().write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        // Closed at once, so that a set of many files does not hold as many open.
        if (Status finished = w->Finish(); !finished)
            error_ = finished.error();
    }
    return error_.empty() ? Status{} : Fail(error_);
}

Status AtomicFileSet::Abort(Status why)
{
    if (error_.empty())
        error_ = why ? std::string("cancelled") : why.error();
    return Fail(error_);
}

Status AtomicFileSet::Commit()
{
    if (error_.empty())
        for (auto& w : writers_)
            if (Status finished = w->Finish(); !finished) {
                error_ = finished.error();
                break;
            }
    if (!error_.empty())
        return Fail(error_);
    for (auto& w : writers_)
        if (Status done = w->Commit(); !done)
            return done;
    committed_ = true;
    return {};
}

Status WriteFileAtomic(const fs::path& path, std::string_view bytes)
{
    AtomicFileWriter w(path);
    if (!w.IsOpen())
        return Fail(w.Error());
    w.Stream().write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return w.Commit();
}

}  // namespace orv
