// "Export GPS track...": asks where to write the track of the given recordings (in this order,
// one segment each) and writes GPX or, when the CSV type is chosen, the whole telemetry as CSV.
#pragma once

#include <QString>

#include <string>
#include <vector>

class QWidget;

// Returns a line for the user: the file written, or why nothing was; empty when cancelled.
QString ExportGpsTrack(QWidget* parent, const std::vector<std::string>& recordings);
