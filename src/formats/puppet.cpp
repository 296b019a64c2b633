#include "formats/puppet.h"

#include "base/text.h"
#include "formats/textformat.h"
#include "model/fileio.h"
#include "model/model.h"
#include "model/version.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

// Lines of a puppet file. Text after the last line end is not a line. Lines that are empty once leading white space is
// stripped are skipped.
class PupLines {
public:
    explicit PupLines(TextBuffer& buffer) : buf_(buffer) {}

    // The next line as written but without its leading white space; false at the end.
    bool NextRaw(std::string_view& line)
    {
        TextLine l;
        while (ReadLine(buf_, l) && l.terminated) {
            std::string_view t = l.text;
            while (!t.empty() && IsSpace(t.front()))
                t.remove_prefix(1);
            if (!t.empty()) {
                line = t;
                return true;
            }
        }
        return false;
    }

    // The next line, lower-cased; "" at the end.
    std::string Next()
    {
        std::string_view raw;
        return NextRaw(raw) ? ToLowerAscii(raw) : std::string();
    }

    // Once the lines are used up: the text after the last line end (which is not a
    // line), without surrounding white space, lower-cased.
    std::string Unterminated() const
    {
        const std::string_view text = buf_.Text();
        const std::size_t lf = text.find_last_of("\r\n");
        std::string_view tail = lf == std::string_view::npos ? text : text.substr(lf + 1);
        while (!tail.empty() && IsSpace(tail.front()))
            tail.remove_prefix(1);
        while (!tail.empty() && IsSpace(tail.back()))
            tail.remove_suffix(1);
        return ToLowerAscii(tail);
    }

private:
    TextBuffer& buf_;
};

std::string FromHash(const std::string& line)
{
    const auto hash = line.find('#');
    return hash == std::string::npos ? std::string() : line.substr(hash);
}

bool StartsWith(const std::string& s, std::string_view prefix) { return s.starts_with(prefix); }

}  // namespace

ReadStatus ReadPup(CModel& model, TextBuffer& buffer)
{
    model.puppetModes.clear();
    model.puppetJoints.clear();
    PupLines lines(buffer);
    ReadStatus status;
    // A mode line or a joints section makes a puppet file, even one that holds nothing
    // else (the game ships joints-only puppets); text with neither is something else.
    bool section = false;
    // Called where the read stops. A last line without its line end is not a line and is
    // not read: unless it is a comment or the closing "end", the file was cut there.
    auto finish = [&](bool atTextEnd, bool inJoints) {
        status.recognised = section;
        if (atTextEnd) {
            const std::string tail = lines.Unterminated();
            if (!tail.empty() && tail[0] != '#' && !tail.starts_with("end"))
                status.missing = "the last line has no line end and was not read";
            else if (inJoints && !tail.starts_with("end"))
                status.missing = "the joints section has no end line";
        }
        status.complete = status.missing.empty();
        return status;
    };
    std::string line = lines.Next();
    for (;;) {
        while (StartsWith(line, "mode=")) {
            section = true;
            CPuppetMode mode;
            Scan(line, "mode=%d, basedon=%d", {&mode.mode, &mode.basedOn});
            mode.comment = FromHash(line);
            for (line = lines.Next(); !line.empty() && !StartsWith(line, "mode=") && !StartsWith(line, "joints");
                 line = lines.Next()) {
                if (line[0] == '#') {
                    mode.comment = line;
                    continue;
                }
                CPuppetItem item;
                Scan(line, "%63s\t%63s\t%x\t%d\t%d",
                     {&item.name, &item.keyFile, &item.flags, &item.lowPriority, &item.highPriority});
                item.description = FromHash(line);
                mode.items.push_back(std::move(item));
            }
            // A mode without sub-modes is kept: based on another, it plays that mode's
            // sub-modes in the game, and modes based on it need it.
            model.puppetModes.push_back(std::move(mode));
        }
        if (StartsWith(line, "joints")) {
            section = true;
            // The body-part lines are kept as written, up to the closing "end".
            std::string_view raw;
            while (lines.NextRaw(raw)) {
                if (ToLowerAscii(raw).starts_with("end"))
                    return finish(false, true);
                model.puppetJoints.emplace_back(raw);
            }
            return finish(true, true);
        }
        if (line.empty() || StartsWith(line, "end"))
            return finish(line.empty(), false);
        line = lines.Next();
    }
}

Result<ReadStatus> LoadPupFile(const fs::path& path, CModel& model)
{
    auto buffer = LoadTextBuffer(path);
    if (!buffer)
        return Fail(buffer.error());
    return ReadPup(model, *buffer);
}

std::string FormatPup(const CModel& model, const std::string& headerPath)
{
    std::string o;
    Appendf(o, "# Puppet Control File '%s' created with %s\n", {headerPath, kVersionString});
    Appendf(o, "# submode\t  keyframe\t      flags\t  lopri\t  hipri\n", {});
    for (const auto& mode : model.puppetModes) {
        if (mode.basedOn < 0)
            Appendf(o, "\nMode=%d\t\t\t\t\t%s\n", {mode.mode, mode.comment});
        else
            Appendf(o, "\nMode=%d, BasedOn=%d\t\t%s\n", {mode.mode, mode.basedOn, mode.comment});
        for (const auto& item : mode.items)
            Appendf(o, "%-13s %s\t\t0x%02x\t\t%d\t\t%d\t\t%s\n",
                    {item.name, item.keyFile, item.flags, item.lowPriority, item.highPriority, item.description});
    }
    // Without modes the joints section, empty or not, is what makes the file a puppet
    // file when it is read again.
    if (!model.puppetJoints.empty() || model.puppetModes.empty()) {
        Appendf(o, "\njoints\n", {});
        for (const auto& joint : model.puppetJoints)
            Appendf(o, "%s\n", {joint});
        Appendf(o, "end\n", {});
    }
    return o;
}

Status WritePup(const CModel& model, const fs::path& path)
{
    return WriteFileAtomic(path, FormatPup(model, path.filename().string()));
}

}  // namespace orv
