#include "app/VolumePlannerApp.h"

int main(int argc, char** argv)
{
    CVolumePlannerApp application(argc, argv);
    return application.Run();
}
