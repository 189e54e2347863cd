#pragma once

#include <QWidget>

class CUserPrompts;
class CVolumeView;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTableWidget;

// The Planning panel beside the view: the planning settings, the sensor type
// of every camera with its reach and unique contribution, and the figures of
// the last planning computation, the Quality display's threshold, and the
// calibrated principal point and distortion of the selected camera when it
// has them (read only). A change is stored at once (refused input
// is named to the user and the box goes back to the stored value) and the
// view recomputes the measures from the coverage it has.
class CPlanningPanel : public QWidget
{
    Q_OBJECT
  public:
    // The table's columns.
    enum CameraColumn { kColNumber, kColType, kColPixelsX, kColPixelsY, kColReach, kColUnique, kColCount };

    CPlanningPanel(CVolumeView& view, CUserPrompts& prompts, QWidget* parent = nullptr);

    // Boxes from the stored settings, the table from the camera set, the
    // figures from the view's last planning computation.
    void Refresh();
    // The calibration of this camera (from 0; -1 for none selected) is
    // shown, when it has one; the box is hidden otherwise.
    void ShowCalibratedLens(int camera);

    QLineEdit* SettingBox(int setting) const { return m_settingBoxes[setting]; }
    QTableWidget* CameraTable() const { return m_pCameras; }
    QTableWidget* CountFigures() const { return m_pCounts; }
    QLabel* TriangulableFigure() const { return m_pTriangulable; }
    QLabel* WithinSigmaFigure() const { return m_pWithinSigma; }
    QLabel* MedianSigmaFigure() const { return m_pMedianSigma; }
    QLabel* OccludedMeanFigure() const { return m_pOccludedMean; }
    QLabel* ObstacleVolumeFigure() const { return m_pObstacleVolume; }
    // The Quality display's threshold: "all" or an operator, and its value.
    QComboBox* ThresholdOperator() const { return m_pThresholdOp; }
    QLineEdit* ThresholdValue() const { return m_pThresholdValue; }
    QGroupBox* CalibrationBox() const { return m_pCalibration; }
    QLabel* PrincipalPointFigure() const { return m_pPrincipalPoint; }
    QLabel* DistortionFigure() const { return m_pDistortion; }

    // The settings boxes, top to bottom.
    enum Setting { kMarkerMm, kMinImagePx, kMinAngleDeg, kMaxAngleDeg, kPixelNoisePx, kSigmaBoundMm, kSettingCount };

  signals:
    // A setting or a camera's sensor was stored into the window's state.
    void stored();

  private:
    void ShowSettings();
    void OnSettingEdited(int setting);
    void RebuildCameraRows();
    void ShowCameraRow(int camera);
    void OnTypeChosen(int camera, int index);
    void OnCustomPixelsEdited(int camera);
    void ShowFigures();
    void ShowThreshold();
    void OnThresholdEdited();
    // Stored settings or camera types take effect in the next paint.
    void RequestPlanningUpdate();

    CVolumeView& m_view;
    CUserPrompts& m_prompts;
    QLineEdit* m_settingBoxes[kSettingCount];
    QTableWidget* m_pCameras;
    QTableWidget* m_pCounts;
    QLabel* m_pTriangulable;
    QLabel* m_pWithinSigma;
    QLabel* m_pMedianSigma;
    QLabel* m_pOccludedMean;
    QLabel* m_pUnoccluded;
    QLabel* m_pObstacleVolume;
    QComboBox* m_pThresholdOp;
    QLineEdit* m_pThresholdValue;
    QGroupBox* m_pCalibration;
    QLabel* m_pPrincipalPoint;
    QLabel* m_pDistortion;
    int m_nLensCamera = -1;
};
