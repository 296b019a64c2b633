// The options sheet: display device and stretch factor, frame rate, vertex size,
// texture filtering and dithering, warnings, colormap and the shaded display
// ("General"), the nine drawing colours ("Colors"), the automatic-backup interval
// ("Backup") and the extra archives and folders materials are looked for in
// ("Resources").
#pragma once

#include <QDialog>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace orv {

struct Settings;

// What the drop-down lists offer: the display's stretch factors ("None" first), the
// drawing devices' names and the catalogue's colormaps.
struct OptionsSources {
    QStringList stretchFactors;
    QStringList devices;
    QStringList colormaps;
};

class CSheetDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kColorCount = 9;

    CSheetDlg(Settings& settings, OptionsSources sources, QWidget* parent = nullptr);

    // Checks the fields and stores every page's values in the settings; false, storing
    // nothing and saying why, when a field is out of its range. Sends applied().
    bool Apply();
    // The reason the last Apply refused, empty after a success.
    QString LastError() const { return lastError_; }
    // Where refusals are shown (a message box unless replaced).
    void SetMessageHandler(std::function<void(const QString&)> show) { showMessage_ = std::move(show); }
    // Whether a field changed since the sheet opened or was last applied.
    bool Modified() const { return modified_; }

    // The fields, for the sheet's users and tests.
    QTabWidget* Pages() const { return pages_; }
    QComboBox* StretchFactor() const { return stretch_; }
    QComboBox* Device() const { return device_; }
    QLineEdit* FrameRate() const { return frameRate_; }
    QLineEdit* VertexSize() const { return vertexSize_; }
    QComboBox* TextureMapping() const { return mapping_; }
    QComboBox* Dithered() const { return dithered_; }
    QComboBox* Warnings() const { return warnings_; }
    QComboBox* ColorMap() const { return colorMap_; }
    QPushButton* ColorButton(int i) const { return colorButtons_[static_cast<std::size_t>(i)]; }
    QCheckBox* Shaded() const { return shaded_; }
    QCheckBox* BackupEnabled() const { return backupCheck_; }
    QSpinBox* BackupMinutes() const { return backupMinutes_; }
    QListWidget* Resources() const { return resources_; }
    // What "Add Archive..." and "Add Folder..." add: the chosen path, empty when
    // cancelled (a file dialog unless replaced).
    void SetPathChooser(std::function<QString(bool folder)> choose) { choosePath_ = std::move(choose); }
    void AddResource(bool folder);
    void RemoveResource();
    void MoveResource(int step);
    QPushButton* ApplyButton() const;

    // A colour of the Colors page as 0x00BBGGRR, in the order of the page's buttons;
    // SetPageColor is what choosing it in the colour dialog does.
    uint32_t PageColor(int i) const { return colors_[static_cast<std::size_t>(i)]; }
    void SetPageColor(int i, uint32_t bgr);

signals:
    // The settings were stored; texturesChanged when another colormap or another list of
    // resources was chosen (the textures must then be made again).
    void applied(bool texturesChanged);

public slots:
    void accept() override;

private:
    QWidget* MakeGeneralPage(const OptionsSources& sources);
    QWidget* MakeColorsPage();
    QWidget* MakeBackupPage();
    QWidget* MakeResourcesPage();
    void MarkModified();
    void ChooseColor(int i);
    void PaintButton(int i);
    void Refuse(const QString& message, QWidget* field);

    Settings& settings_;
    QTabWidget* pages_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    QComboBox* stretch_ = nullptr;
    QComboBox* device_ = nullptr;
    QLineEdit* frameRate_ = nullptr;
    QLineEdit* vertexSize_ = nullptr;
    QComboBox* mapping_ = nullptr;
    QComboBox* dithered_ = nullptr;
    QComboBox* warnings_ = nullptr;
    QComboBox* colorMap_ = nullptr;
    std::array<QPushButton*, kColorCount> colorButtons_{};
    std::array<uint32_t, kColorCount> colors_{};
    QCheckBox* shaded_ = nullptr;
    QCheckBox* backupCheck_ = nullptr;
    QSpinBox* backupMinutes_ = nullptr;
    QListWidget* resources_ = nullptr;
    std::function<QString(bool folder)> choosePath_;
    bool modified_ = false;
    QString lastError_;
    std::function<void(const QString&)> showMessage_;
};

}  // namespace orv
