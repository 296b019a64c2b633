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

Status AtomicFileWriter::Commit()
{
    auto fail = [&](std::string msg) {
        error_ = std::move(msg);
        std::error_code ec;
        fs::remove(temp_, ec);
        return Fail(error_);
    };
    if (!error_.empty())
        return fail(error_);
    errno = 0;
    stream_.flush();
    const bool ok = stream_.good();
    stream_.close();
    if (!ok || stream_.fail())
        return fail(DescribeIoError(target_, "write"));
    std::error_code ec;
    if (keepPermissions_)
        fs::permissions(temp_, *keepPermissions_, ec);
    fs::rename(temp_, target_, ec);
    if (ec)
        return fail("cannot write " + target_.string() + ": " + ec.message());
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
