#include "app/StartRequest.h"

#include <QCommandLineParser>

namespace
{

const QString kClassic = "classic";

} // namespace

void DescribeStartOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription("Plans how a rig of optical motion-capture cameras covers a room.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({kClassic, "Opens the classic window rather than the workspace."});
    parser.addPositionalArgument("plan", "A plan file (.vplan) to open.", "[plan]");
}

StartRequest StartRequestOf(const QCommandLineParser& parser)
{
    return {parser.isSet(kClassic), parser.positionalArguments().value(0)};
}
