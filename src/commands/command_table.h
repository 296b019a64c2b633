// The program's one command table: every command of menus, toolbars and keys, declared
// once with its id, menu text, status prompt, keys, where it acts, where it is placed in
// the menus and toolbars, and -- for every command that works on the model or the view --
// the core function it runs with its enabled and checked rules. The window layer builds
// its menus, toolbars, shortcuts, prompts and update handlers from this table and only
// supplies the commands that need a window of their own (files, dialogs, toolbars).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "commands/command_ids.h"
#include "document/modes.h"
#include "edit/view_commands.h"

namespace orv {

class COrvaneDoc;
class Selection;
class Camera;
struct Clipboard;
struct Settings;

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

// What a command works on: the active document and its view, if any.
struct CommandContext {
    int id = 0;                 // the command being run or asked about
    COrvaneDoc* doc = nullptr;  // none when no document is open
    Settings* settings = nullptr;
    Selection* selection = nullptr;  // the active view's
    Camera* camera = nullptr;        // the active view's
    Clipboard* clipboard = nullptr;  // the active view's own
    Modifiers mods;                  // held when the command runs
    bool drawing = false;            // the view has a drawing device
};

// What the window must do after a command: each bit one kind of refresh.
enum CommandEffect : uint32_t {
    kRedrawView = 1u << 0,        // this view draws again (the camera moved)
    kViewStateChanged = 1u << 1,  // views and panes refresh; no face changed
    kModelChanged = 1u << 2,      // faces changed: every view makes its drawing data again
    kModelReplaced = 1u << 3,     // a new model object (undo, redo): views prepare again
    kSelectionChanged = 1u << 4,  // panes and command states follow the selection
    kRecreateDevice = 1u << 5,    // the projection changed (enlarge)
    kMeasure = 1u << 6,           // measure the model as now placed ("Middle")
    kTexturesChanged = 1u << 7,   // faces with new materials: views load their textures again
    kSettingsChanged = 1u << 8,   // a setting of the program: the views of every document redraw
};

struct CommandResult {
    bool ran = false;
    uint32_t effects = 0;
    std::string message;  // a failure to show the user
};

using CommandRun = CommandResult (*)(CommandContext& c);
using CommandRule = bool (*)(const CommandContext& c);

struct CommandRow {
    int id = 0;
    const char* text = "";    // menu text; "" for a command reached by keys only
    const char* prompt = "";  // "status text\ntool tip"
    const char* keys = "";    // portable key names, ';' between several: "Ctrl+Z;Alt+Backspace"
    CommandScope scope = CommandScope::Application;
    MenuPlace menu;
    BarPlace bar;
    CommandRun run = nullptr;       // the core function; none: the window supplies it
    CommandRule enabled = nullptr;  // none: enabled (for document and view scopes: with a document)
    CommandRule checked = nullptr;  // none: no check mark
    bool busy = false;              // runs under the wait cursor
};

// Every command, in the order of the table.
std::span<const CommandRow> CommandTable();
// The row of a command id, or nullptr.
const CommandRow* FindCommand(int id);

// The document's model, switches and settings with the view's selection and camera, as
// the edit operations take them. Needs a document.
ViewContext ViewContextOf(const CommandContext& c);

// The core side of a command: whether it is enabled and checked in a context, and
// running it (nothing happens, ran false, when it has no core function or is not
// enabled). A document or view command is never enabled without a document.
bool CommandEnabled(const CommandRow& row, const CommandContext& c);
bool CommandChecked(const CommandRow& row, const CommandContext& c);
CommandResult RunCommand(const CommandRow& row, CommandContext& c);
// By id, for tests and callers that have no row at hand.
CommandResult RunCommand(int id, CommandContext& c);

}  // namespace orv
