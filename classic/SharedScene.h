#pragma once

// The process's scene settings, camera set and drawing colours: made (those
// missing) with the room in metres and the display ceiling half its height.
void PrepareSharedScene();
// Ends all three.
void EndSharedScene();

// The shared scene from construction to destruction: the window has it from
// its start, before any view or GL context.
class CSharedScene
{
  public:
    CSharedScene() { PrepareSharedScene(); }
    ~CSharedScene() { EndSharedScene(); }
    CSharedScene(const CSharedScene&) = delete;
    CSharedScene& operator=(const CSharedScene&) = delete;
};
