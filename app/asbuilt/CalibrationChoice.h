#pragma once

#include <QDialog>
#include <QStringList>

#include <optional>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;

// What the user chose to read a calibration with: the file or folder and
// the reader's choices, and for a comparison how the rigs are aligned and
// paired. Empty format and up: found from the content, the cameras' mean image up.
struct CalibrationChoice {
    std::string path;
    std::string format;
    std::string units = "m";
    std::string up;
    std::string align = "rigid";
    std::string match = "labels";

    // As the calibration partner and the report partner take them.
    QStringList ReaderArguments() const;
    QStringList ComparisonArguments() const;
};

// Asks for a calibration: a file, or a folder holding intri.yml + extri.yml
// or cameras.txt + images.txt, with the reader's choices and, for a
// comparison, the alignment and pairing. Opens with the last choice.
class CCalibrationChoiceDialog : public QDialog
{
    Q_OBJECT
  public:
    CCalibrationChoiceDialog(const QString& title, bool comparison, const CalibrationChoice& start, QWidget* parent);

    CalibrationChoice Choice() const;

    // Modal; nothing when the user cancels.
    static std::optional<CalibrationChoice> Ask(const QString& title, bool comparison, const CalibrationChoice& start,
                                                QWidget* parent);

  private:
    void ChooseFile();
    void ChooseFolder();

    QLineEdit* m_pPath;
    QComboBox* m_pFormat;
    QComboBox* m_pUnits;
    QComboBox* m_pUp;
    QComboBox* m_pAlign = nullptr;
    QComboBox* m_pMatch = nullptr;
    QPushButton* m_pOk;
};
