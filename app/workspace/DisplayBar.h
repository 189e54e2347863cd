#pragma once

#include <QToolBar>

class CWorkspaceView;
class QAction;
class QLabel;
class QSlider;
class QToolButton;

// The display's toolbar: which measure the voxels are coloured by (the View
// menu's Display entries), whether the count hides the voxels fewer than two
// cameras see, and the height the volume is cut at, to look inside it.
class CDisplayBar : public QToolBar
{
    Q_OBJECT
  public:
    // `measures` is the Display menu; `twoOrMore` its switch.
    CDisplayBar(CWorkspaceView& view, QMenu& measures, QAction& twoOrMore, QWidget* parent = nullptr);

    QSlider* CutSlider() const { return m_pCut; }
    QLabel* CutLabel() const { return m_pCutText; }
    QToolButton* MeasureButton() const { return m_pMeasure; }

  private:
    // The slider over the layers computed; a cut at the top stays at the top.
    void ShowLayers();
    void ShowMeasure();

    CWorkspaceView& m_view;
    QToolButton* m_pMeasure;
    QSlider* m_pCut;
    QLabel* m_pCutText;
};
