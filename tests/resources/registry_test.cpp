#include <gtest/gtest.h>

#include <map>

#include "resources/catalog.h"
#include "resources/registry.h"
#include "test_util.h"

using namespace orv;
using namespace orvtest;
namespace fs = std::filesystem;

namespace {

// As Wine writes it: key separators and backslashes in values doubled, characters
// above 127 as \x escapes, continuation lines for long binary values; and a last key
// whose line has no closing bracket.
std::string SystemReg() { return FixtureText("winereg", "key_line_unterminated.reg"); }

EnvironmentLookup Env(std::map<std::string, std::string> vars)
{
    return [vars](const std::string& name) -> std::optional<std::string> {
        const auto it = vars.find(name);
        return it == vars.end() ? std::nullopt : std::optional(it->second);
    };
}

}  // namespace

TEST(WineRegistry, ParsesKeysStringValuesAndEscapes)
{
    const WineRegistry reg = WineRegistry::Parse(SystemReg());
    EXPECT_TRUE(reg.HasKey(kJediKnightKey));
    EXPECT_EQ(reg.ReadString(kJediKnightKey, kInstallPathValue), "C:\\Program Files\\LucasArts\\Jedi Knight");
    EXPECT_EQ(reg.ReadString("software\\lucasarts entertainment company\\jediknight\\V1.0", "source dir"), "D:\\");
    EXPECT_EQ(reg.ReadString(kJediKnightKey, ""), "default \"quoted\"");
    EXPECT_EQ(reg.ReadString(kJediKnightKey, "Count"), std::nullopt);
    EXPECT_EQ(reg.ReadString(kJediKnightKey, "Bin"), std::nullopt);
    // A 32-bit program's key in a 64-bit prefix.
    EXPECT_TRUE(reg.HasKey(kMotsKey));
    EXPECT_EQ(reg.ReadString(kMotsKey, kInstallPathValue), "C:\\Games\\Mots \xC3\xA9t\xC3\xA9");
    // An unterminated section takes no values, and spoils no earlier key.
    EXPECT_EQ(reg.Keys().KeyCount(), 2u);

    EXPECT_EQ(WineRegistry::Parse("[A\\\\B]\r\n\"V\"=\"x\\ty\"\r\n").ReadString("a\\b", "v"), "x\ty");
    EXPECT_FALSE(WineRegistry::Parse("").HasKey(kJediKnightKey));
}

TEST(WineRegistry, PrefixFromEnvironmentAndPathsIntoIt)
{
    EXPECT_EQ(DefaultWinePrefix(Env({{"WINEPREFIX", "/p"}, {"HOME", "/h"}})), fs::path("/p"));
    EXPECT_EQ(DefaultWinePrefix(Env({{"WINEPREFIX", ""}, {"HOME", "/h"}})), fs::path("/h/.wine"));
    EXPECT_EQ(DefaultWinePrefix(Env({})), fs::path());

    TempDir dir;
    const fs::path prefix = dir / "pfx";
    fs::create_directories(prefix / "drive_c" / "Program Files" / "LucasArts");
    fs::create_directories(prefix / "dosdevices");
    fs::create_directories(dir / "media");
    fs::create_directory_symlink(dir / "media", prefix / "dosdevices" / "e:");
    // Without a dosdevices link for C: the drive_c folder is used.
    EXPECT_EQ(MapGamePath("C:\\PROGRAM FILES\\lucasarts\\Jedi Knight", prefix),
              prefix / "drive_c" / "Program Files" / "LucasArts" / "Jedi Knight");
    EXPECT_EQ(MapGamePath("e:\\gamedata\\x.goo", prefix), prefix / "dosdevices" / "e:" / "gamedata" / "x.goo");
    EXPECT_EQ(MapGamePath("/opt/jk\\resource\\res2.gob", {}), fs::path("/opt/jk/resource/res2.gob"));

    ASSERT_TRUE(WriteFileAtomic(prefix / "system.reg", SystemReg()));
    EXPECT_TRUE(WineRegistry::Load(prefix).HasKey(kJediKnightKey));
    EXPECT_FALSE(WineRegistry::Load(dir / "nowhere").HasKey(kJediKnightKey));
}

TEST(WineRegistry, SettingsComeFirstKeyByKey)
{
    const WineRegistry wine = WineRegistry::Parse(SystemReg());
    MemoryRegistry settings;
    settings.SetString(kJediKnightKey, kInstallPathValue, "/home/me/jk");
    const ChainedRegistry reg(settings, wine);
    EXPECT_EQ(reg.ReadString(kJediKnightKey, kInstallPathValue), "/home/me/jk");
    // The settings' key holds no "Source Dir": the Wine value is not mixed in.
    EXPECT_EQ(reg.ReadString(kJediKnightKey, kSourceDirValue), std::nullopt);
    EXPECT_EQ(reg.ReadString(kMotsKey, kSourceDirValue), "E:\\");
    EXPECT_TRUE(reg.HasKey(kMotsKey));
    EXPECT_FALSE(reg.HasKey("Software\\Other"));
}
