// The viewer's only top-level window: frameless, 1080 x 645, empty caption.
#pragma once

#include "ViewerConfig.h"

#include <QWidget>

class CVRANViewerDlg : public QWidget {
    Q_OBJECT
public:
    explicit CVRANViewerDlg(QWidget* parent = nullptr);

    // Places the window, chooses the interface language and reads Config.ini;
    // called once before the window is shown.
    bool OnInitDialog();

    // Tab bitmaps chosen by ChooseUiLanguage.
    TabImageIds m_nTabImage{};
};
