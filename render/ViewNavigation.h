#pragma once

// Key codes the renderer understands (the view translates its toolkit's keys).
inline constexpr unsigned kKeyShift = 16;
inline constexpr unsigned kKeyEscape = 27;
inline constexpr unsigned kKeyLeft = 37;
inline constexpr unsigned kKeyUp = 38;
inline constexpr unsigned kKeyRight = 39;
inline constexpr unsigned kKeyDown = 40;
// Key-state flags of a button press.
inline constexpr unsigned kButtonFlagLeft = 0x1;
inline constexpr unsigned kButtonFlagRight = 0x2;
inline constexpr unsigned kButtonFlagShift = 0x4;
inline constexpr unsigned kButtonFlagControl = 0x8;
inline constexpr unsigned kButtonFlagMiddle = 0x10;

// The last mouse position the view reported (client pixels, y down); shared
// by every renderer, a drag measures from the last motion message.
extern int g_nLastMouseX;
extern int g_nLastMouseY;

// The five values that place the scene on screen: turn about the room's
// vertical axis and tilt about the screen's horizontal axis in degrees, pan
// and zoom in scene units.
struct ViewPose {
    float yaw = 0.0f;
    float pitch = 0.0f;
    float panX = 0.0f;
    float panY = 0.0f;
    float zoom = 0.0f;
    friend bool operator==(const ViewPose&, const ViewPose&) = default;
};

// What both view styles navigate with: the pose and its home, the buttons
// and the Shift key held, and the projection chosen. Each style turns the
// input into changes of it in its own way.
class CViewNavigation
{
  public:
    // The state of a new view: no turn, buttons up, perspective.
    void Reset() { *this = CViewNavigation(); }

    ViewPose& Pose() { return m_pose; }
    const ViewPose& Pose() const { return m_pose; }
    const ViewPose& Home() const { return m_home; }
    void GoHome() { m_pose = m_home; }
    void SetHome() { m_home = m_pose; }

    void SetPerspective();
    void SetOrthographic();
    bool IsPerspective() const { return m_bPerspective || !m_bOrthographic; }

    bool leftButton = false;
    bool rightButton = false;
    bool shiftKey = false;

  private:
    ViewPose m_pose;
    ViewPose m_home;
    bool m_bPerspective = true;
    bool m_bOrthographic = false;
};
