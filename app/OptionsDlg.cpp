#include "app/OptionsDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/DialogUnits.h"
#include "app/HelpViewer.h"
#include "app/MessageBoxes.h"
#include "app/Resources.h"
#include "formats/Registry.h"

namespace kyn::app {

int COptionsDlg::s_rememberedDelete = 0;

namespace {

// The control ids of the format choices, in the order that numbers them (the DefaultFileType
// value); their texts and tool tips come from the format registry.
constexpr int kFormatIds[] = {IDC_SAVE_VARNIXBINARYX, IDC_SAVE_VARNIXBINARY, IDC_SAVE_VARNIXSTORE, IDC_SAVE_VARNIXCSV,
                              IDC_SAVE_THALEN,        IDC_SAVE_TSV,          IDC_SAVE_JCAMP};

// The targets whose writers take the strip-header and the Euro option.
const int kTargetCsv = kVarnixCsvFormat.target.index;
const int kTargetTsv = kVarnixTsvFormat.target.index;

struct Tip {
    int control;
    int stringId;
    const char* text;
};

// Tool tips of the other controls, with the string ids they are known by.
constexpr Tip kTips[] = {
    {IDC_STRIP_HEADER, 61219, "Save the converted DataStore in a CSV file format with the header information removed."},
    {IDC_EXTRA, 61208, "This option appends the raw DataStore data to the end of the saved CSV data."},
    {IDC_SENSIBLE_EXTENSIONS, 61210, "Use the correct default extensions for the saved DataStore."},
    {IDC_STRIP_ACORN, 61211, "Remove any Acorn filetype (,001 ; ,FFA etc) from the filename."},
    {IDC_IN_PLACE, 61212, "Replace the original file with the converted file."},
    {IDC_DELETE_ORIGINALS, 61213, "Upon successful conversion, delete the original DataStore."},
    {IDC_SILENT_OVERWRITE, 61214, "Silently over-write files with the same name as the generate file."},
    {IDC_SKIP_BAD, 61215, "Silently skip files which are not valid DataStores or cannot be read. "},
};

// What's This texts for the two controls that have no tool tip.
QString ExtraHelp(int id) {
    if (id == IDC_SAVE_THALEN)
        return QStringLiteral("Save the converted DataStore as KYN-ASCII-SPECTRAKINETIC when it holds spectra over "
                              "time, otherwise as KYN-ASCII (a kinetic trace); both with the extension .glb.");
    if (id == IDC_EURO_LOCALE)
        return QStringLiteral("Write the tab-separated file with decimal commas, as European spreadsheets expect.");
    return {};
}

constexpr const char* kInPlaceWarning =
    "Warning!\n\nAfter file conversion the original file will be deleted and replaced with the new file.\n\nAre you "
    "sure you want to do this?";
constexpr const char* kOverwriteWarning =
    "Warning!\n\nSelecting this option will allow KYNDataConverter to silently overwrite existing files.\n\nAre you "
    "sure you want to do this?";
constexpr const char* kDeleteWarning =
    "Warning!\n\nSelecting this option will cause the original file (upon successfull conversion) to be "
    "deleted.\n\nAre you sure you want to do this?!";

int Checked(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }

QFrame* Line(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

QString COptionsDlg::ToolTip(int controlId) {
    const std::vector<const FormatInfo*> targets = TargetRows();
    for (std::size_t i = 0; i < targets.size() && i < std::size(kFormatIds); ++i)
        if (kFormatIds[i] == controlId) return QString::fromLatin1(targets[i]->target.tooltip);
    for (const Tip& t : kTips)
        if (t.control == controlId) return QString::fromLatin1(t.text);
    return {};
}

QString COptionsDlg::HelpTopic(int controlId) {
    return QStringLiteral("options.html#c%1").arg(controlId);
}

QCheckBox* COptionsDlg::AddCheck(int id, const QString& text) {
    auto* box = new QCheckBox(text, this);
    SetControlId(box, id);
    controls_[id] = box;
    return box;
}

COptionsDlg::COptionsDlg(const ConversionSettings& settings, QWidget* parent) : QDialog(parent), v_(settings) {
    setWindowTitle(QStringLiteral("Options"));
    setObjectName(QStringLiteral("OptionsDlg"));
    CreateControls();
    LayOut();
    ConnectHandlers();
    WriteControls();
    Refresh();
    SetOutputFolder(0, {});
    UpdateFormatFocus();
}

void COptionsDlg::UpdateFormatFocus() {
    QAbstractButton* checked = formats_->checkedButton();
    for (QRadioButton* r : radios_) {
        // With no choice made (a stored target not known) the first one takes part.
        const bool inTab = checked ? r == checked : r == radios_[0];
        r->setFocusPolicy(inTab ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

void COptionsDlg::SetOutputFolder(int use, const QString& folder) {
    useFolder_->setChecked(use == 1);
    folder_->setText(folder);
    folder_->setEnabled(use == 1);
    browse_->setEnabled(use == 1);
}

int COptionsDlg::UseOutputFolder() const { return useFolder_->isChecked() && !folder_->text().trimmed().isEmpty() ? 1 : 0; }
QString COptionsDlg::OutputFolder() const { return folder_->text().trimmed(); }

void COptionsDlg::BrowseOutputFolder() {
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Output Folder"), folder_->text());
    if (!folder.isEmpty()) folder_->setText(folder);
}

void COptionsDlg::CreateControls() {
    // The format choices, from the format registry's targets in the order of their index.
    const std::vector<const FormatInfo*> targets = TargetRows();
    formats_ = new QButtonGroup(this);
    formats_->setExclusive(true);
    static_assert(std::size(kFormatIds) == kFormatChoices);
    for (int i = 0; i < kFormatChoices; ++i) {
        radios_[i] = new QRadioButton(QString::fromLatin1(targets.at(static_cast<std::size_t>(i))->target.label), this);
        SetControlId(radios_[i], kFormatIds[i]);
        controls_[kFormatIds[i]] = radios_[i];
        formats_->addButton(radios_[i], i);
    }
    extra_ = AddCheck(IDC_EXTRA, QStringLiteral("Extra"));
    euro_ = AddCheck(IDC_EURO_LOCALE, QStringLiteral("Use Euro Locale settings"));
    sensible_ = AddCheck(IDC_SENSIBLE_EXTENSIONS,
                         QStringLiteral("Use sensible file extensions (e.g. CSV data saved with .CSV extension)"));
    acorn_ = AddCheck(IDC_STRIP_ACORN,
                      QStringLiteral("Remove Acorn file type information from filename (e.g. Lys_B,FFA -> LysB.csv)"));
    inPlace_ = AddCheck(IDC_IN_PLACE, QStringLiteral("Convert files in-place (new file will replace the old file)"));
    delete_ = AddCheck(IDC_DELETE_ORIGINALS, QStringLiteral("Delete original DataStore file"));
    overwrite_ = AddCheck(IDC_SILENT_OVERWRITE, QStringLiteral("Silently over-write existing files"));
    skip_ = AddCheck(IDC_SKIP_BAD, QStringLiteral("S&kip unrecognised or unreadable files silently"));
    stripHeader_ = AddCheck(IDC_STRIP_HEADER, QStringLiteral("Strip header information"));
    // The raw-data option has no visible control: its value passes through unchanged.
    extra_->setVisible(false);
    extra_->setEnabled(false);
    boxes_ = {{stripHeader_, &ConversionSettings::StripHeaderInformation},
              {extra_, &ConversionSettings::SaveExtraInfo},
              {inPlace_, &ConversionSettings::SaveInPlace},
              {skip_, &ConversionSettings::SkipBadFilesSilently},
              {delete_, &ConversionSettings::DeleteOriginals},
              {acorn_, &ConversionSettings::StripAcornFileTypes},
              {overwrite_, &ConversionSettings::SilentlyOverwrite},
              {sensible_, &ConversionSettings::UseSensibleExtensions},
              {euro_, &ConversionSettings::EuroLocale}};

    useFolder_ = AddCheck(IDC_USE_OUTPUT_FOLDER, QStringLiteral("Save all converted files in &one folder:"));
    useFolder_->setToolTip(QStringLiteral("Write every output into the folder below instead of next to its input."));
    folder_ = new QLineEdit(this);
    SetControlId(folder_, IDC_OUTPUT_FOLDER);
    folder_->setPlaceholderText(QStringLiteral("Output folder"));
    browse_ = new QPushButton(QStringLiteral("&Browse..."), this);
    SetControlId(browse_, IDC_BROWSE_OUTPUT_FOLDER);
    controls_[IDC_BROWSE_OUTPUT_FOLDER] = browse_;

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    SetControlId(ok_, IDOK);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    SetControlId(cancel_, IDCANCEL);
    controls_[IDOK] = ok_;
    controls_[IDCANCEL] = cancel_;
    for (const auto& [id, control] : controls_) {
        const QString tip = ToolTip(id);
        if (!tip.isEmpty()) control->setToolTip(tip);
        control->setWhatsThis(tip.isEmpty() ? ExtraHelp(id) : tip);
    }
}

// The format choices with their dependent boxes indented beneath, a line, the file handling
// boxes, a line, the buttons; the tab order is the order of the controls in the dialog.
void COptionsDlg::LayOut() {
    const int indent = DluX(this, 14);
    const auto indented = [indent](QWidget* w) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(indent, 0, 0, 0);
        row->addWidget(w);
        return row;
    };
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(DluX(this, 9), DluY(this, 5), DluX(this, 9), DluY(this, 7));
    layout->setSpacing(DluY(this, 2.5));
    for (int i = 0; i < 4; ++i) layout->addWidget(radios_[i]);
    layout->addLayout(indented(stripHeader_));
    layout->addWidget(radios_[4]);
    layout->addWidget(radios_[5]);
    layout->addLayout(indented(euro_));
    layout->addWidget(radios_[6]);
    layout->addSpacing(DluY(this, 8));
    layout->addWidget(Line(this));
    layout->addSpacing(DluY(this, 2));
    for (QCheckBox* box : {sensible_, acorn_, inPlace_, delete_, overwrite_, skip_}) layout->addWidget(box);
    layout->addWidget(useFolder_);
    auto* folderRow = new QHBoxLayout;
    folderRow->setContentsMargins(indent, 0, 0, 0);
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse_);
    layout->addLayout(folderRow);
    layout->addSpacing(DluY(this, 8));
    layout->addWidget(Line(this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {ok_, cancel_}) {
        b->setMinimumWidth(DluX(this, 50));
        buttons->addWidget(b);
    }
    layout->addSpacing(DluY(this, 2));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Top to bottom, as the controls are seen.
    QWidget* order[] = {radios_[0], radios_[1], radios_[2],  radios_[3], stripHeader_, radios_[4],
                        radios_[5], euro_,      radios_[6],  extra_,     sensible_,    acorn_,
                        inPlace_,   delete_,    overwrite_,  skip_,      useFolder_,   folder_,
                        browse_,    ok_,        cancel_};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void COptionsDlg::ConnectHandlers() {
    connect(ok_, &QPushButton::clicked, this, &COptionsDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &COptionsDlg::reject);
    for (QAbstractButton* r : formats_->buttons())
        connect(r, &QAbstractButton::clicked, this, [this] { Refresh(); });
    connect(stripHeader_, &QCheckBox::clicked, this, [this] { Refresh(); });
    connect(sensible_, &QCheckBox::clicked, this, [this] { Refresh(); });
    connect(inPlace_, &QCheckBox::clicked, this, &COptionsDlg::OnInPlace);
    connect(acorn_, &QCheckBox::clicked, this, &COptionsDlg::OnAcorn);
    connect(overwrite_, &QCheckBox::clicked, this, &COptionsDlg::OnOverwrite);
    connect(delete_, &QCheckBox::clicked, this, &COptionsDlg::OnDelete);
    for (QCheckBox* b : {skip_, euro_, extra_}) connect(b, &QCheckBox::clicked, this, [this] { ReadControls(); });
    connect(formats_, &QButtonGroup::buttonToggled, this, [this] { UpdateFormatFocus(); });
    connect(useFolder_, &QCheckBox::toggled, this, [this](bool on) {
        folder_->setEnabled(on);
        browse_->setEnabled(on);
    });
    connect(browse_, &QPushButton::clicked, this, &COptionsDlg::BrowseOutputFolder);
}

QAbstractButton* COptionsDlg::Control(int id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void COptionsDlg::ReadControls() {
    // A stored target outside the table, with no choice made since, is kept.
    if (formats_->checkedId() >= 0) v_.DefaultFileType = formats_->checkedId();
    for (const Box& b : boxes_) v_.*b.setting = Checked(b.box);
}

void COptionsDlg::WriteControls() {
    // A stored target outside the table checks no choice.
    if (QAbstractButton* r = formats_->button(v_.DefaultFileType)) {
        r->setChecked(true);
    } else if (QAbstractButton* c = formats_->checkedButton()) {
        formats_->setExclusive(false);
        c->setChecked(false);
        formats_->setExclusive(true);
    }
    for (const Box& b : boxes_) b.box->setChecked(v_.*b.setting != 0);
}

void COptionsDlg::Refresh() {
    ReadControls();
    // The raw-data box is never offered; a disabled box keeps its value.
    extra_->setEnabled(false);
    stripHeader_->setEnabled(v_.DefaultFileType == kTargetCsv);
    euro_->setEnabled(v_.DefaultFileType == kTargetTsv);
    inPlace_->setEnabled(v_.StripAcornFileTypes == 0 && v_.UseSensibleExtensions == 0);
    if (v_.SaveInPlace != 0) delete_->setEnabled(false);
    WriteControls();
}

void COptionsDlg::OnInPlace(bool on) {
    ReadControls();
    if (on) {
        if (AskYesNo(this, QString::fromLatin1(kInPlaceWarning)) != QMessageBox::Yes) {
            inPlace_->setChecked(false);
            ReadControls();
            return;
        }
        s_rememberedDelete = v_.DeleteOriginals;
        delete_->setChecked(true);
        delete_->setEnabled(false);
        acorn_->setChecked(false);
        acorn_->setEnabled(false);
        sensible_->setChecked(false);
        sensible_->setEnabled(false);
    } else {
        delete_->setChecked(s_rememberedDelete != 0);
        delete_->setEnabled(true);
        acorn_->setEnabled(true);
        sensible_->setEnabled(true);
    }
    ReadControls();
}

void COptionsDlg::OnAcorn(bool on) {
    ReadControls();
    if (on) {
        inPlace_->setChecked(false);
        inPlace_->setEnabled(false);
        delete_->setEnabled(true);
    } else {
        if (!sensible_->isChecked()) inPlace_->setEnabled(true);
        delete_->setEnabled(!inPlace_->isChecked());
    }
    ReadControls();
}

void COptionsDlg::OnOverwrite(bool on) {
    ReadControls();
    if (on && AskYesNo(this, QString::fromLatin1(kOverwriteWarning)) != QMessageBox::Yes) overwrite_->setChecked(false);
    ReadControls();
}

void COptionsDlg::OnDelete(bool on) {
    ReadControls();
    if (on && AskYesNo(this, QString::fromLatin1(kDeleteWarning)) != QMessageBox::Yes) delete_->setChecked(false);
    ReadControls();
}

void COptionsDlg::accept() {
    ReadControls();
    QDialog::accept();
}

void COptionsDlg::ApplyTo(ConversionSettings& s) const {
    const std::int32_t configured = s.Configured;
    s = v_;
    s.Configured = configured;
}

void COptionsDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        // Help for the control that has the focus, or for the whole dialog.
        const QWidget* focus = focusWidget();
        const int id = focus ? ControlId(focus) : 0;
        ShowHelp(this, id > 2 ? HelpTopic(id) : QStringLiteral("options.html"));
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kyn::app
