#include "app/asbuilt/CalibrationChoice.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace
{

// Shown text and the partner's word; an empty word leaves the option out.
struct ChoiceItem {
    const char* text;
    const char* word;
};
constexpr ChoiceItem kFormats[] = {{"Found from the content", ""},
                                   {"Anipose TOML", "anipose"},
                                   {"Caliscope TOML", "caliscope"},
                                   {"OpenCV YAML/XML (intri + extri)", "opencv"},
                                   {"COLMAP text (cameras + images)", "colmap"}};
constexpr ChoiceItem kUnits[] = {{"Metres", "m"}, {"Millimetres", "mm"}};
constexpr ChoiceItem kUps[] = {{"The cameras' mean image up", ""},
                               {"+X", "+x"},
                               {"-X", "-x"},
                               {"+Y", "+y"},
                               {"-Y", "-y"},
                               {"+Z", "+z"},
                               {"-Z", "-z"}};
constexpr ChoiceItem kAligns[] = {{"Rigid (turn and shift)", "rigid"},
                                  {"Similarity (turn, shift and scale)", "similarity"},
                                  {"None (both from the room corner)", "none"}};
constexpr ChoiceItem kMatches[] = {{"By labels", "labels"}, {"By nearest centres", "nearest"}};

template <size_t N>
QComboBox* ComboOf(const ChoiceItem (&items)[N], const std::string& chosen, const char* name, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    for (const ChoiceItem& item : items)
        combo->addItem(item.text, QString::fromLatin1(item.word));
    combo->setCurrentIndex(std::max(0, combo->findData(QString::fromStdString(chosen))));
    return combo;
}

std::string WordOf(const QComboBox* combo)
{
    return combo->currentData().toString().toStdString();
}

} // namespace

QStringList CalibrationChoice::ReaderArguments() const
{
    QStringList arguments{"--as-built", QString::fromStdString(path), "--as-built-units",
                          QString::fromStdString(units)};
    if (!format.empty())
        arguments << "--as-built-format" << QString::fromStdString(format);
    if (!up.empty())
        arguments << "--as-built-up" << QString::fromStdString(up);
    return arguments;
}

QStringList CalibrationChoice::ComparisonArguments() const
{
    return {"--align", QString::fromStdString(align), "--match", QString::fromStdString(match)};
}

CCalibrationChoiceDialog::CCalibrationChoiceDialog(const QString& title, bool comparison,
                                                   const CalibrationChoice& start, QWidget* parent)
    : QDialog(parent), m_pPath(new QLineEdit(QString::fromStdString(start.path), this)),
      m_pFormat(ComboOf(kFormats, start.format, "calibrationFormat", this)),
      m_pUnits(ComboOf(kUnits, start.units, "calibrationUnits", this)),
      m_pUp(ComboOf(kUps, start.up, "calibrationUp", this))
{
    setWindowTitle(title);
    m_pPath->setObjectName("calibrationPath");
    m_pPath->setMinimumWidth(360);
    auto* file = new QPushButton("File...", this);
    auto* folder = new QPushButton("Folder...", this);
    connect(file, &QPushButton::clicked, this, &CCalibrationChoiceDialog::ChooseFile);
    connect(folder, &QPushButton::clicked, this, &CCalibrationChoiceDialog::ChooseFolder);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_pPath, 1);
    pathRow->addWidget(file);
    pathRow->addWidget(folder);

    auto* form = new QFormLayout;
    form->addRow("Calibration:", pathRow);
    form->addRow("Format:", m_pFormat);
    form->addRow("Translations in:", m_pUnits);
    form->addRow("Up:", m_pUp);
    if (comparison) {
        m_pAlign = ComboOf(kAligns, start.align, "calibrationAlign", this);
        m_pMatch = ComboOf(kMatches, start.match, "calibrationMatch", this);
        form->addRow("Alignment:", m_pAlign);
        form->addRow("Pair cameras:", m_pMatch);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_pOk = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The partner names a file it cannot read; an empty one has nothing to name.
    const auto showOk = [this] { m_pOk->setEnabled(!m_pPath->text().trimmed().isEmpty()); };
    connect(m_pPath, &QLineEdit::textChanged, this, showOk);
    showOk();
    form->addRow(buttons);
    setLayout(form);
}

CalibrationChoice CCalibrationChoiceDialog::Choice() const
{
    CalibrationChoice choice;
    choice.path = m_pPath->text().trimmed().toStdString();
    choice.format = WordOf(m_pFormat);
    choice.units = WordOf(m_pUnits);
    choice.up = WordOf(m_pUp);
    if (m_pAlign)
        choice.align = WordOf(m_pAlign);
    if (m_pMatch)
        choice.match = WordOf(m_pMatch);
    return choice;
}

std::optional<CalibrationChoice> CCalibrationChoiceDialog::Ask(const QString& title, bool comparison,
                                                               const CalibrationChoice& start, QWidget* parent)
{
    CCalibrationChoiceDialog dialog(title, comparison, start, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    CalibrationChoice choice = dialog.Choice();
    // The comparison's choices stay for the next time even when this one did not ask them.
    if (!comparison) {
        choice.align = start.align;
        choice.match = start.match;
    }
    return choice;
}

void CCalibrationChoiceDialog::ChooseFile()
{
    const QString path =
        QFileDialog::getOpenFileName(this, "Calibration File", m_pPath->text(),
                                     "Calibration files (*.toml *.yml *.yaml *.xml *.txt);;All files (*)");
    if (!path.isEmpty())
        m_pPath->setText(path);
}

void CCalibrationChoiceDialog::ChooseFolder()
{
    const QString path = QFileDialog::getExistingDirectory(this, "Calibration Folder", m_pPath->text());
    if (!path.isEmpty())
        m_pPath->setText(path);
}
