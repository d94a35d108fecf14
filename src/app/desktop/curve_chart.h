// The window's chart of curves (OptimClass's faithful species against the number
// of groups), drawn with Qt Charts; a point is chosen by clicking it.
#pragma once

#include <optional>
#include <utility>

#include "platform/ui.h"

class QWidget;

namespace tamsel {

// Modal; the (series, point) chosen and confirmed, or nothing.
std::optional<std::pair<int, int>> showCurveChartDialog(QWidget* parent,
                                                        const CurveChartRequest& r);

}  // namespace tamsel
