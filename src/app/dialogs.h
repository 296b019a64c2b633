// The small dialogs of the application: About (also the start-up splash), Tip of the
// Day and Select Product.
#pragma once

#include <QDialog>
#include <QString>

#include "interchange/interchange.h"

class QLabel;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QPushButton;
class QRadioButton;
class QLineEdit;
class QSettings;

namespace orv {

QIcon AppIcon();

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // In splash mode the OK button is hidden and the box closes itself after 3 s.
    explicit CAboutDlg(bool splash, QWidget* parent = nullptr);

signals:
    // Sent once, after the box has been painted the first time.
    void firstPainted();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    bool painted_ = false;
};

class CTipDlg : public QDialog {
    Q_OBJECT
public:
    // tipsPath: the tips file; store: the settings file with the "Tip" section.
    CTipDlg(const QString& tipsPath, QSettings& store, QWidget* parent = nullptr);
    ~CTipDlg() override;

    QString CurrentTip() const;
    // Whether the box should show at start-up ("StartUp" of the "Tip" section is 0).
    static bool ShowAtStartup(QSettings& store);

private:
    void NextTip();

    QSettings& store_;
    QByteArray file_;
    bool fileOk_ = false;
    qint64 pos_ = 0;
    QLabel* text_ = nullptr;
    QCheckBox* startup_ = nullptr;
    QPushButton* next_ = nullptr;
};

class CSelectProductDlg : public QDialog {
    Q_OBJECT
public:
    // folders: the game folders set by hand for Jedi Knight and Mysteries of the Sith.
    CSelectProductDlg(int product, const QString& jkFolder, const QString& motsFolder, QWidget* parent = nullptr);
    int Product() const;
    QString Folder(int product) const;

private:
    QRadioButton* jk_ = nullptr;
    QRadioButton* mots_ = nullptr;
    QLineEdit* folders_[2] = {nullptr, nullptr};
};

// File > Import's questions: the scale every length of the file is multiplied by, since
// other tools model in units of their own, and which of the file's axes is up, for
// formats that do not say.
class CImportDlg : public QDialog {
    Q_OBJECT
public:
    CImportDlg(const QString& fileName, double scale, QWidget* parent = nullptr);
    double Scale() const;
    void SetUp(UpAxis up);
    UpAxis Up() const;

private:
    QDoubleSpinBox* scale_ = nullptr;
    QComboBox* up_ = nullptr;
};

}  // namespace orv
