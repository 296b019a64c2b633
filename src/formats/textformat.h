// Locale-independent printf- and scanf-style helpers for the game's text formats.
//
// The formats' layouts are given as C format strings; these helpers interpret the same
// strings without going through the C library, whose number formatting follows the
// process locale (a GUI toolkit sets it from the environment, and a decimal comma would
// corrupt every file written or read).
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "base/text.h"

namespace orv {

// ---- formatting -------------------------------------------------------------

class FormatArg {
public:
    enum class Kind { Int, Float, Str };

    template <std::integral T>
    FormatArg(T v) : kind_(Kind::Int), i_(static_cast<int64_t>(v))
    {}
    template <std::floating_point T>
    FormatArg(T v) : kind_(Kind::Float), f_(static_cast<double>(v))
    {}
    FormatArg(std::string_view s) : kind_(Kind::Str), s_(s) {}
    FormatArg(const std::string& s) : kind_(Kind::Str), s_(s) {}
    FormatArg(const char* s) : kind_(Kind::Str), s_(s) {}

    Kind kind() const { return kind_; }
    int64_t Int() const { return i_; }
    double Float() const { return f_; }
    std::string_view Str() const { return s_; }

private:
    Kind kind_;
    int64_t i_ = 0;
    double f_ = 0.0;
    std::string_view s_;
};

// Appends the format with its directives replaced by the arguments, in order. Supported:
// %d, %x, %f and %s with the flags '-' and '0', a width and a precision, and %%.
// %x prints the low 32 bits of its argument, as the C directive does for an int.
// Every "\n" of the format is written as CR LF, the line end of the game's files.
void Appendf(std::string& out, std::string_view format, std::initializer_list<FormatArg> args);
// The same as a new string (status texts and messages).
std::string Format(std::string_view format, std::initializer_list<FormatArg> args);

// ---- scanning ---------------------------------------------------------------

class ScanTarget {
public:
    enum class Kind { Int, Hex, Float, Str };

    ScanTarget(int32_t* p) : kind_(Kind::Int), p_(p) {}
    ScanTarget(uint32_t* p) : kind_(Kind::Hex), p_(p) {}
    ScanTarget(float* p) : kind_(Kind::Float), p_(p) {}
    ScanTarget(std::string* p) : kind_(Kind::Str), p_(p) {}

    Kind kind() const { return kind_; }
    template <typename T>
    T* As() const
    {
        return static_cast<T*>(p_);
    }

private:
    Kind kind_;
    void* p_;
};

// sscanf over input: white space in the format matches any amount of white space (none
// included), other characters must match exactly, and %d (int32_t*), %x (uint32_t*, an
// optional "0x"), %f (float*) and %s / %Ns (std::string*) convert. Stops at the first
// mismatch; targets not reached keep their values. Returns the number assigned.
int Scan(std::string_view input, std::string_view format, std::initializer_list<ScanTarget> targets);

// ---- number scanners (position advanced past what was used) ----------------------

// Optional sign and decimal digits; false (pos unchanged) when there is no digit.
bool ScanInt(std::string_view s, std::size_t& pos, int32_t& out);
// Optional sign, optional "0x"/"0X", hexadecimal digits.
bool ScanHex(std::string_view s, std::size_t& pos, uint32_t& out);
// Decimal notation with optional exponent, or inf / infinity / nan.
bool ScanFloat(std::string_view s, std::size_t& pos, float& out);

inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace orv
