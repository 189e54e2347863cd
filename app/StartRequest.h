#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

// What the program's command line asks it to start: the workspace, or the
// classic window, on a plan file or none.
struct StartRequest {
    bool classic = false;
    QString plan;
};

// The program's options and arguments, for its --help.
void DescribeStartOptions(QCommandLineParser& parser);
// The request of a command line the parser has taken.
StartRequest StartRequestOf(const QCommandLineParser& parser);
