#include "CVRANViewerDlg.h"

CVRANViewerDlg::CVRANViewerDlg(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setWindowTitle(QString());
}

bool CVRANViewerDlg::OnInitDialog()
{
    setGeometry(0, 0, 1080, 645);
    ChooseUiLanguage(m_nTabImage);
    LoadViewerConfig();
    return true;
}
