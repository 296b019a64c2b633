// What the Animation Sequence dialog does to the puppet data, without a window. It works
// on a copy of the model's modes: only Commit ("&OK") gives them to the model, as one undo
// step, so that a cancelled dialog leaves the model as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"
#include "document/document.h"
#include "model/model.h"

namespace orv {

// The fields of the Add Sub Mode dialog; the key file is named without its extension.
struct SubModeFields {
    std::string name = "stand";
    std::string keyFile = "mykey";
    uint32_t flags = 0;
    int32_t lowPriority = 0;
    int32_t highPriority = 0;
    std::string description = "# submode 0 = stand";
};

// "Description" of a sub-mode row: the text after the first "=", leading blanks removed
// ("" without an "=").
std::string DescriptionAfterEquals(const std::string& description);
// "Key File" of a row, and the key file field: the name up to its first ".".
std::string KeyFileStem(const std::string& keyFile);

// The puppet mode and sub-mode a model just opened plays, with its keyframe.
struct PlayChoice {
    int32_t mode = -1;        // place in the model's list of modes
    int32_t subMode = -1;     // place in the mode's list of sub-modes
    int32_t modeNumber = -1;  // the number the puppet file gives the mode
    std::string subModeName;
    std::string keyFile;
};

// The sub-mode whose keyframe the model is playing: the current one, when the keyframe
// loaded is its.
std::optional<PlayChoice> PlayingChoice(const CModel& model);
// Makes a document just opened ready to play: for a 3DO model, the first sub-mode, in the
// puppet's order, whose keyframe can be read (found as every resource is, COrvaneDoc::Sources)
// becomes the current one with its keyframe loaded; a project keeps the choice it stored
// and is ready when that keyframe loaded. Nothing else changes, and the document is not
// modified: a 3DO file does not store the choice, and a project's is left as read. None
// when the model has no puppet mode or no keyframe of it can be read; the model is then
// left as it was.
std::optional<PlayChoice> MakeReadyToPlay(COrvaneDoc& doc);
// "Ready to play: mode 0, stand (wkstand.key)".
std::string ReadyToPlayText(const PlayChoice& choice);
// What the model plays: its sub-mode's text, or "Ready to play: moves.key" for a keyframe
// played by itself (imported, or opened alone); empty when no keyframe is loaded.
std::string PlayingText(const CModel& model);

class PuppetEditor {
public:
    explicit PuppetEditor(const COrvaneDoc& doc);

    const std::vector<CPuppetMode>& Modes() const { return modes_; }
    const CPuppetMode* Mode(int32_t mode) const;
    const CPuppetItem* SubMode(int32_t mode, int32_t sub) const;
    // The puppet file of the document's title (walker.3do gives walker.pup).
    std::string PuppetFile() const;

    int32_t currentMode = -1;
    int32_t currentSubMode = -1;

    // Whether a sub-mode's keyframe is a stock one (it may then be neither edited nor
    // deleted), and whether a mode may be: its last sub-mode's keyframe is no stock one,
    // or, for a mode without sub-modes, the puppet file is no stock one.
    bool StockSubMode(int32_t mode, int32_t sub) const;
    bool ModeEditable(int32_t mode) const;

    // Mode comments and sub-mode descriptions are kept on one line behind a "#" ("# " is
    // put before one typed without), as the file keeps them.
    //
    // Modes are addressed by their place in the list; a mode's number (CPuppetMode::mode)
    // is what the file and based-on links name. Numbers stay unique and every based-on
    // link an edit makes names an existing mode, so the file written is sound.

    // The number a new mode gets: the smallest one no mode has.
    int32_t NextModeNumber() const;
    // The mode numbers a mode may be based on: for a new mode (-1) those of all modes,
    // for the mode at a place those of the modes listed before it (the game reads a base
    // before the modes built on it), never its own.
    std::vector<int32_t> BaseChoices(int32_t mode) const;
    // Appends a mode numbered NextModeNumber(); it becomes the current mode. Refused when
    // basedOn is neither -1 nor the number of a mode.
    Status AddMode(int32_t basedOn, const std::string& description);
    // Refused when a new basedOn is neither -1 nor one of BaseChoices(mode), or would make
    // the mode based on itself through others; an unchanged one is kept as read.
    Status EditMode(int32_t mode, int32_t basedOn, const std::string& description);
    // Refused while another mode is based on its number ("Cannot delete puppet mode, since
    // mode %d is based on this mode.", naming every such mode). The other modes keep their
    // numbers.
    Status DeleteMode(int32_t mode);

    // Appends a sub-mode that becomes the current one; refused when its keyframe would be
    // a stock one ("Cannot create key data, ..."), and for a key file name that is empty
    // or holds blanks or "#" (it would break the sub-mode's line). Its keyframe file is
    // made (empty) on Commit unless one of that name exists beside the document by then.
    Status AddSubMode(int32_t mode, const SubModeFields& fields);
    SubModeFields FieldsOf(int32_t mode, int32_t sub) const;
    // Refuses key file names as AddSubMode does.
    Status EditSubMode(int32_t mode, int32_t sub, const SubModeFields& fields);
    void DeleteSubMode(int32_t mode, int32_t sub);

    // Whether "&OK" would change the model: the modes were edited, a keyframe is to be
    // made, another sub-mode was chosen, or the chosen one's keyframe is not the one the
    // model holds.
    bool ChangesModel() const;

    // "&OK" without a change (ChangesModel) does nothing: no undo step, no file written.
    // Otherwise "&OK", run through the document as one undo step: the model takes the modes and
    // the current mode and sub-mode; the new keyframe files are written empty beside the
    // document (never over a file that exists); the PUP file is written beside it; the
    // current sub-mode's keyframe is loaded (a new one that could not be written is kept
    // empty in memory; with none found the model has no keyframe). The model is changed
    // whatever the writes give; a failed write is the message. Needs the context's document.
    EditOutcome Commit(EditContext& c);

private:
    const COrvaneDoc& doc_;
    std::vector<CPuppetMode> modes_;
    std::vector<std::string> newKeyFiles_;
};

}  // namespace orv
