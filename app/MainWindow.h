#pragma once

#include "app/DockHost.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <utility>
#include <vector>

class CFloorMapPanel;
class CMainMenu;
class CUserPrompts;
class CVolumePlannerDlg;
class QDockWidget;
class QScrollArea;

// The program's window: the menu bar over the classic dialog, which sits
// unchanged in an area that scrolls when the window is smaller than it, and
// the Planning panel, the Obstacles, the camera table and the floor map as
// docks (float, tab, hide; View > Panels). In the Planner view the view grows with the
// window; the classic view keeps its 1000 x 725 frames.
class CMainWindow : public QMainWindow, public CDockHost
{
    Q_OBJECT
  public:
    // Without prompts the dialog asks through Qt's message boxes and file dialogs.
    explicit CMainWindow(std::unique_ptr<CUserPrompts> prompts = nullptr);
    ~CMainWindow() override;
    CMainWindow(const CMainWindow&) = delete;
    CMainWindow& operator=(const CMainWindow&) = delete;

    CVolumePlannerDlg& Dialog() const { return *m_pDialog; }
    CMainMenu& Menu() const { return *m_pMenu; }
    QScrollArea* DialogArea() const { return m_pArea; }
    QDockWidget* Dock(DockedPanel which) const { return m_docks[static_cast<size_t>(which)]; }
    // The worst-case floor map over the capture height band, a dock of the window's own.
    QDockWidget* FloorMapDock() const { return m_pFloorMapDock; }
    CFloorMapPanel* FloorMap() const { return m_pFloorMap; }

    void TakeMenuBar(QMenuBar* bar) override;
    void ShowDocked(DockedPanel which, QWidget* panel, bool on) override;

  protected:
    // The close box asks the dialog, whose guard may keep the window open.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QDockWidget* MakeDock(DockedPanel which, const QString& title, Qt::DockWidgetArea area);
    void AddPanelToggles();
    // The dialog at its classic size, or grown with its view in the Planner view.
    void FitDialog();

    QScrollArea* m_pArea;
    CVolumePlannerDlg* m_pDialog;
    CMainMenu* m_pMenu = nullptr;
    std::array<QDockWidget*, 3> m_docks{};
    QDockWidget* m_pFloorMapDock = nullptr;
    CFloorMapPanel* m_pFloorMap = nullptr;
    QSize m_classicSize;
    QRect m_classicView;
    // The dialog's controls and where the classic layout has them.
    std::vector<std::pair<QWidget*, QPoint>> m_classicPlaces;
};
