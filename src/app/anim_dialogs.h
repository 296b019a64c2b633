// The animation dialogs: "Animation Sequence" (the puppet's modes and sub-modes, with
// Add Mode and Add Sub Mode), "Animation Frames" (the current keyframe's header, nodes
// and entries, with Edit Frame, Add Node and Add Entry) and "Hierarchy Nodes" (one node's
// flags, type, position, rotation and pivot). The work is the core's (src/anim); the
// first two edit a copy that only "&OK" gives to the model, as one undo step.
#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "anim/hierarchy_edit.h"
#include "anim/keyframe_edit.h"
#include "anim/puppet_edit.h"
#include "app/prompts.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace orv {

class CDocument;
class CChildFrame;

// Runs 5617, 5667 or 5668 for a document window: after "&OK" of the first two in the
// animating view the animation starts again with what was chosen; the views refresh.
void RunAnimationDialog(int command, CChildFrame& frame, const Prompts& prompts);

// "Add Mode" / "Edit Mode": based-on list of the offered mode numbers (enabled only when
// based-on is 0 or more) and the mode's comment.
class CAddModeDlg : public QDialog {
    Q_OBJECT
public:
    CAddModeDlg(bool edit, const QString& description, int32_t basedOn, const std::vector<int32_t>& offered,
                QWidget* parent = nullptr);
    // The chosen mode's number; -1 with the list disabled; basedOn as given when the list
    // has no choice (a link to a mode that is not offered).
    int32_t BasedOn() const;
    QString Description() const;

private:
    QComboBox* basedOn_ = nullptr;
    QLineEdit* description_ = nullptr;
    int32_t basedOnBefore_ = -1;
};

// "Add Sub Mode" / "Edit Sub Mode": OK refuses flags outside 0 .. 0xFF (the field is set
// to the nearer bound) and an empty key file name.
class CAddSubModeDlg : public QDialog {
    Q_OBJECT
public:
    CAddSubModeDlg(bool edit, const SubModeFields& fields, QWidget* parent = nullptr);
    SubModeFields Fields() const;
    void SetMessageHandler(std::function<void(const QString&)> show) { showMessage_ = std::move(show); }
    void accept() override;

private:
    QComboBox* name_ = nullptr;
    QLineEdit* keyFile_ = nullptr;
    QLineEdit* flags_ = nullptr;
    QSpinBox* low_ = nullptr;
    QSpinBox* high_ = nullptr;
    QLineEdit* description_ = nullptr;
    std::function<void(const QString&)> showMessage_;
};

// The two list dialogs: a tree on the left, a report list of the chosen branch's rows on
// the right, and a column of "&OK", "&Cancel", "&Help", "&Add", "&Delete", "&Edit". The
// subclasses say what choosing, adding, deleting and editing do.
class CTreeListDlg : public QDialog {
    Q_OBJECT
public:
    CTreeListDlg(Prompts prompts, const char* treeId, const char* listId, const QStringList& columns,
                 const QList<int>& widths, int listStretch, QWidget* parent);

protected:
    virtual void TreeSelected(QTreeWidgetItem* item) = 0;
    virtual void RowSelected() = 0;
    virtual void Add() = 0;
    virtual void Delete() = 0;
    virtual void Edit() = 0;
    int Exec(QDialog& d);
    void Message(const QString& text);

    Prompts prompts_;
    QTreeWidget* tree_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* edit_ = nullptr;
    bool busy_ = false;  // filling: the lists' signals are not choices
};

class CAnimSequenceDlg : public CTreeListDlg {
    Q_OBJECT
public:
    CAnimSequenceDlg(CDocument& doc, Prompts prompts, QWidget* parent = nullptr);
    ~CAnimSequenceDlg() override;

    PuppetEditor& Editor() { return editor_; }
    void accept() override;

private:
    void Fill();
    void TreeSelected(QTreeWidgetItem* item) override;
    void RowSelected() override;
    void Add() override;
    void Delete() override;
    void Edit() override;
    int32_t SelectedMode() const;

    CDocument& doc_;
    PuppetEditor editor_;
};

// "Edit Frame": the keyframe's flags, type, frames and frames per second.
class CEditFrameDlg : public QDialog {
    Q_OBJECT
public:
    CEditFrameDlg(const CKeyframe& keyframe, QWidget* parent = nullptr);
    uint32_t Flags() const;
    uint32_t Type() const;
    int32_t Frames() const;
    float Fps() const;
    void SetMessageHandler(std::function<void(const QString&)> show) { showMessage_ = std::move(show); }
    void accept() override;

private:
    QLineEdit* flags_ = nullptr;
    QLineEdit* type_ = nullptr;
    QSpinBox* frames_ = nullptr;
    QLineEdit* fps_ = nullptr;
    float fpsBefore_ = 0.0f;
    std::function<void(const QString&)> showMessage_;
};

// "Add Entry" / "Edit Entry".
class CAddEntryDlg : public QDialog {
    Q_OBJECT
public:
    CAddEntryDlg(bool edit, const EntryFields& fields, QWidget* parent = nullptr);
    EntryFields Fields() const;
    void SetMessageHandler(std::function<void(const QString&)> show) { showMessage_ = std::move(show); }
    void accept() override;

private:
    EntryFields before_;
    QSpinBox* frame_ = nullptr;
    QLineEdit* flags_ = nullptr;
    QLineEdit* values_[6] = {};  // x, y, z, pitch, yaw, roll
    std::function<void(const QString&)> showMessage_;
};

// "Add Node": the names of the model's hierarchy nodes, the first chosen.
class CAddNodeDlg : public QDialog {
    Q_OBJECT
public:
    CAddNodeDlg(const CModel& model, QWidget* parent = nullptr);
    QString MeshName() const;

private:
    QComboBox* names_ = nullptr;
};

class CAnimFramesDlg : public CTreeListDlg {
    Q_OBJECT
public:
    CAnimFramesDlg(CDocument& doc, Prompts prompts, QWidget* parent = nullptr);
    ~CAnimFramesDlg() override;

    KeyframeEditor& Editor() { return editor_; }
    void accept() override;

private:
    void Fill();
    void FillList();
    void TreeSelected(QTreeWidgetItem* item) override;
    void RowSelected() override;
    void Add() override;
    void Delete() override;
    void Edit() override;
    bool RootSelected() const;

    CDocument& doc_;
    KeyframeEditor editor_;
};

class CHierarchyDlg : public QDialog {
    Q_OBJECT
public:
    CHierarchyDlg(CDocument& doc, Prompts prompts, QWidget* parent = nullptr);

    // "&Apply": false (and the dialog stays open) when a field is out of range.
    bool Apply();
    void accept() override;
    int32_t EditedNode() const { return node_; }

private:
    void Load(int32_t node);
    void Edited();
    void Message(const QString& text);

    CDocument& doc_;
    Prompts prompts_;
    QTreeWidget* tree_ = nullptr;
    QLineEdit* index_ = nullptr;
    QLineEdit* flags_ = nullptr;
    QLineEdit* type_ = nullptr;
    QLineEdit* values_[9] = {};  // x, y, z, pitch, yaw, roll, pivot x, y, z
    QPushButton* apply_ = nullptr;
    int32_t node_ = -1;  // the node whose fields are shown; -1 before any
    bool loading_ = false;
};

}  // namespace orv
