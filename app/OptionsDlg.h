// COptionsDlg: the options dialog. It edits every conversion setting but Configured, keeps the
// choices that exclude each other apart by enabling, disabling and clearing check boxes, warns
// before the options that delete or overwrite files, and explains each control with a tool tip.
#pragma once

#include <QDialog>
#include <cstdint>
#include <map>
#include <vector>

#include "conversion/ConversionSettings.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kyn::app {

class COptionsDlg : public QDialog {
    Q_OBJECT
public:
    explicit COptionsDlg(const ConversionSettings& settings, QWidget* parent = nullptr);

    // The edited values copied into `settings` (all but Configured), as OK hands them back.
    void ApplyTo(ConversionSettings& settings) const;

    // OK reads every control into the values and closes; Cancel closes without reading.
    void accept() override;

    // The one folder for every output: off by default (each output next to its input).
    void SetOutputFolder(int use, const QString& folder);
    int UseOutputFolder() const;
    QString OutputFolder() const;

    // The control with that id (for tests and help).
    QAbstractButton* Control(int id) const;
    // The delete box's state saved when the in-place box was switched on; kept for the run.
    static int RememberedDelete() { return s_rememberedDelete; }
    static void ResetRememberedDelete() { s_rememberedDelete = 0; }
    // The help page and anchor for a control.
    static QString HelpTopic(int controlId);
    static QString ToolTip(int controlId);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // A check box and the setting it edits.
    struct Box {
        QCheckBox* box;
        std::int32_t ConversionSettings::*setting;
    };

    static constexpr int kFormatChoices = 7;

    void CreateControls();
    void LayOut();
    void ConnectHandlers();
    void ReadControls();
    void WriteControls();
    void Refresh();
    void OnInPlace(bool on);
    void OnAcorn(bool on);
    void OnOverwrite(bool on);
    void OnDelete(bool on);
    // Only the chosen format takes part in Tab: Tab enters the group at its checked button and
    // the arrow keys move within it.
    void UpdateFormatFocus();
    void BrowseOutputFolder();

    QCheckBox* AddCheck(int id, const QString& text);

    // The boxes the handlers check, clear, enable and disable.
    QCheckBox* sensible_ = nullptr;
    QCheckBox* acorn_ = nullptr;
    QCheckBox* inPlace_ = nullptr;
    QCheckBox* delete_ = nullptr;
    // The others.
    QCheckBox* stripHeader_ = nullptr;
    QCheckBox* extra_ = nullptr;
    QCheckBox* euro_ = nullptr;
    QCheckBox* overwrite_ = nullptr;
    QCheckBox* skip_ = nullptr;
    QButtonGroup* formats_ = nullptr;
    QRadioButton* radios_[kFormatChoices] = {};
    QCheckBox* useFolder_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    std::map<int, QAbstractButton*> controls_;
    std::vector<Box> boxes_;
    // The settings being edited: the controls are read into them and set from them.
    ConversionSettings v_;

    static int s_rememberedDelete;
};

}  // namespace kyn::app
