// What a control's ancestors paint under it, without the control itself or its siblings: the
// picture a skinned control shows wherever it is transparent.
#pragma once

#include <QImage>

class QWidget;

// Renders every ancestor of `control`, from its top-level window down to its parent, without
// their children, clipped to the control's rectangle; the result has the control's size.
QImage CaptureParentBackground(const QWidget& control);
