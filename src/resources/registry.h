// Where the game's registry keys come from on a system without a Windows registry:
// the application's own settings (same key paths and value names), or the system.reg
// file of a Wine prefix in which the game was installed. Windows paths read from them
// are mapped into the prefix.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

// Read access to string values under HKEY_LOCAL_MACHINE.
class RegistryReader {
public:
    virtual ~RegistryReader() = default;
    // Whether the key exists (would open for reading).
    virtual bool HasKey(std::string_view key) const = 0;
    virtual std::optional<std::string> ReadString(std::string_view key, std::string_view valueName) const = 0;
};

// Keys and values held in memory; key paths and value names compare without regard to case.
class MemoryRegistry : public RegistryReader {
public:
    void SetString(std::string_view key, std::string_view valueName, std::string value);
    // Creates the key without values.
    void AddKey(std::string_view key);
    bool HasKey(std::string_view key) const override;
    std::optional<std::string> ReadString(std::string_view key, std::string_view valueName) const override;
    std::size_t KeyCount() const { return keys_.size(); }

private:
    // lower-cased key path -> lower-cased value name -> value
    std::map<std::string, std::map<std::string, std::string>> keys_;
};

// A Wine prefix's system.reg (the HKEY_LOCAL_MACHINE hive). 32-bit programs installed in
// a 64-bit prefix record their keys under Software\Wow6432Node, which is looked at too.
class WineRegistry : public RegistryReader {
public:
    // Reads the [section] keys and their "name"="string" values (str(2) included);
    // other value types are skipped. Never fails: unreadable lines are ignored.
    static WineRegistry Parse(std::string_view systemReg);
    // prefix/system.reg; an empty registry when the file cannot be read.
    static WineRegistry Load(const std::filesystem::path& prefix);

    bool HasKey(std::string_view key) const override;
    std::optional<std::string> ReadString(std::string_view key, std::string_view valueName) const override;
    const MemoryRegistry& Keys() const { return keys_; }

private:
    std::string Resolve(std::string_view key) const;
    MemoryRegistry keys_;
};

// The application's settings first: a key it holds is read from it alone; other keys
// come from the second source.
class ChainedRegistry : public RegistryReader {
public:
    ChainedRegistry(const RegistryReader& first, const RegistryReader& second) : first_(first), second_(second) {}
    bool HasKey(std::string_view key) const override;
    std::optional<std::string> ReadString(std::string_view key, std::string_view valueName) const override;

private:
    const RegistryReader& first_;
    const RegistryReader& second_;
};

// Environment variables, injectable for tests.
using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;
EnvironmentLookup SystemEnvironment();

// $WINEPREFIX, else $HOME/.wine; empty when neither variable is set.
std::filesystem::path DefaultWinePrefix(const EnvironmentLookup& env);

// A path as the game's registry or the settings give it, made a path of this system:
// "C:\x\y" lies in the prefix's drive_c (other letters through dosdevices/x:),
// backslashes become separators, and a component whose case differs on disk is found
// without regard to case.
std::filesystem::path MapGamePath(std::string_view path, const std::filesystem::path& winePrefix);

// The same case-insensitive lookup for any path of this system: each component that
// does not exist as written is looked up in its folder without regard to case.
std::filesystem::path ResolvePathNoCase(const std::filesystem::path& path);

}  // namespace orv
