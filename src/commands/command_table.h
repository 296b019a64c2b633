// The program's one command table: every command of menus, toolbars and keys, declared
// once with its id, menu text, status prompt, keys, where it acts, where it is placed in
// the menus and toolbars, and -- for every command that works on the model or the view --
// the core function it runs with its enabled and checked rules. The window layer builds
// its menus, toolbars, shortcuts, prompts and update handlers from this table and only
// supplies the commands that need a window of their own (files, dialogs, toolbars).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "commands/command_ids.h"
#include "document/edit_context.h"
#include "document/modes.h"
#include "edit/carve.h"
#include "edit/fit.h"
#include "edit/primitives.h"

namespace orv {

// Where a command acts: the application as a whole, the active document, or the active
// document's 3D view. Keys of document and view commands belong to the 3D view (they act
// while it has the focus, so that a pane with the focus types the letter instead).
enum class CommandScope : uint8_t { Application, Document, View };

enum class Menu : uint8_t { None, File, Edit, View, Tools, Window, Help };
enum class Bar : uint8_t { None, Main, Map, Tool };

// A place in a menu or toolbar: order sorts the items, and a new hundred starts a new
// group behind a separator (305 is the fifth item of group 3).
struct MenuPlace {
    Menu menu = Menu::None;
    int order = 0;
};
struct BarPlace {
    Bar bar = Bar::None;
    int order = 0;
};

// The window's dialogs that give a command of the table its parameters, asked before
// anything changes: an empty answer (the dialog was cancelled) changes nothing and leaves
// no undo step. The window puts them in the context (EditContext::hooks). A command whose
// parameters have no hook does nothing; without confirmCarve the carve goes ahead.
struct CommandHooks {
    // "Carve Mesh": whether to go on (the window asks only when the user wants warnings).
    std::function<bool(const EditContext&)> confirmCarve;
    // "Extrude Face...": the extrusion's values for the current face.
    std::function<std::optional<ExtrudeParams>(const EditContext&)> extrude;
    // "Create Rectangle/Cylinder/Dome...": the shape's sizes and the style of its faces.
    std::function<std::optional<PrimitiveParams>(const EditContext&, PrimitiveShape)> primitive;
    // "Fit to Engine Limits": what to make besides (levels of detail); nothing: cancelled.
    std::function<std::optional<FitOptions>(const EditContext&)> fitOptions;
    // Then shows what the fit changed (no lines: nothing to change) and what it could not do.
    std::function<void(const EditContext&, const FitReport&)> fitReport;
};

// What a command did: whether it ran at all (it has a core function and was enabled),
// and the operation's outcome.
struct CommandResult : EditOutcome {
    bool ran = false;
};

using CommandRun = EditOutcome (*)(EditContext& c);
using CommandRule = bool (*)(const EditContext& c);
// Why a command cannot run in a context: the first of its conditions that is not met, as
// a short text for the status bar ("Extrude needs a current face: ..."), or nullptr when
// every one is. The enabled state is this finding nothing, so the two never disagree.
using CommandUnmet = const char* (*)(const EditContext& c);

// The core side of a row, named field by field in the table ({.run = Paste, .unmet =
// WhyNotPaste, .edits = true}); a row without it is the window's alone.
struct CommandCore {
    CommandRun run = nullptr;       // the core function; none: the window supplies it
    CommandUnmet unmet = nullptr;   // none: enabled (for document and view scopes: with a document)
    CommandRule checked = nullptr;  // none: no check mark
    bool busy = false;              // runs under the wait cursor
    bool edits = false;             // may change the model: runs through the document's runner
};

struct CommandRow {
    int id = 0;
    const char* text = "";    // menu text; "" for a command reached by keys only
    const char* prompt = "";  // "status text\ntool tip"
    const char* keys = "";    // portable key names, ';' between several: "Ctrl+Z;Alt+Backspace"
    CommandScope scope = CommandScope::Application;
    MenuPlace menu;
    BarPlace bar;
    CommandCore core;
};

// Every command, in the order of the table.
std::span<const CommandRow> CommandTable();
// The row of a command id, or nullptr.
const CommandRow* FindCommand(int id);

// The core side of a command: whether it is enabled and checked in a context, and
// running it (nothing happens, ran false, when it has no core function or is not
// enabled). A document or view command is never enabled without a document. A row that
// edits runs as one undo step of the document (COrvaneDoc::Run): a step when it changed
// the model, none when it did not.
bool CommandEnabled(const CommandRow& row, const EditContext& c);
// Why a command is disabled in a context, for the status bar; nullptr when it is enabled
// (CommandEnabled is exactly this being nullptr). Without a document, a document or view
// command says kOpenModelFirst.
inline constexpr const char* kOpenModelFirst = "Open a model first";
const char* WhyDisabled(const CommandRow& row, const EditContext& c);
bool CommandChecked(const CommandRow& row, const EditContext& c);
CommandResult RunCommand(const CommandRow& row, EditContext& c);
// By id, for tests and callers that have no row at hand.
CommandResult RunCommand(int id, EditContext& c);

}  // namespace orv
