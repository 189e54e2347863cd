#pragma once

#include <QImage>
#include <QWidget>

class CUserPrompts;
class CVolumeView;
class QLabel;
class QLineEdit;

// View > Panels > Floor Map: the least camera count over the capture height
// band, seen from above, for the coverage the view shows. It is the report's
// worst-case map (CaptureBandMap, DrawFloorMap), drawn again after each
// computation and when the band changes (Enter in a box).
class CFloorMapPanel : public QWidget
{
    Q_OBJECT
  public:
    CFloorMapPanel(CVolumeView& view, CUserPrompts& prompts, QWidget* parent = nullptr);

    QLineEdit* FromBox() const { return m_pFrom; }
    QLineEdit* ToBox() const { return m_pTo; }
    // What stands in place of a map, or empty while one shows.
    QLabel* Note() const { return m_pNote; }
    // The map last drawn; null before the first one.
    const QImage& MapImage() const { return m_image; }
    float BandFromM() const { return m_fromM; }
    float BandToM() const { return m_toM; }
    // The map of the coverage shown now, or why there is none.
    void Refresh();

  protected:
    // A hidden panel draws nothing: it catches up when shown.
    void showEvent(QShowEvent* event) override;

  private:
    // Stores the band typed, or refuses it naming the box and puts the stored band back.
    void TakeBand();

    CVolumeView& m_view;
    CUserPrompts& m_prompts;
    float m_fromM;
    float m_toM;
    QLineEdit* m_pFrom;
    QLineEdit* m_pTo;
    QLabel* m_pNote;
    QLabel* m_pMap;
    QImage m_image;
};
