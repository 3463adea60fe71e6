#include "CBackupProgress.h"

#include "CNoFlickerStatic.h"
#include "QueuedCall.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>

// Carries each change the copy thread makes over to the window, queued in order on the
// user-interface thread. Changes still queued when the window goes away are dropped.
class CBackupProgress::Observer : public BackupObserver {
public:
  explicit Observer(CBackupProgress* window) : m_window(window) {}

  void EnableDone(bool enabled) override
  {
    Post([enabled](CBackupProgress* w) { w->m_done->setEnabled(enabled); });
  }
  void SetRange(int maximum) override
  {
    Post([maximum](CBackupProgress* w) { w->m_bar->setRange(0, maximum); });
  }
  void SetPosition(int position) override
  {
    Post([position](CBackupProgress* w) { w->m_bar->setValue(position); });
  }
  void SetDisplayText(const std::string& text) override
  {
    Post([text = QString::fromStdString(text)](CBackupProgress* w) { w->m_text->SetDisplayText(text); });
  }
  void ShowProgress() override
  {
    Post([](CBackupProgress* w) {
      if (!w->isVisible())
        w->show();
    });
  }
  void BackupFailed() override
  {
    Post([](CBackupProgress* w) {
      // Tests of the whole program set TAVRO_MESSAGE_BOX_STDERR: the text goes to stderr then,
      // like every other message of the viewer, so nothing waits for a click.
      const char* to_stderr = std::getenv("TAVRO_MESSAGE_BOX_STDERR");
      if (to_stderr && *to_stderr) {
        std::fprintf(stderr, "Backup Fail!!!!\n");
        return;
      }
      auto* box = new QMessageBox(QMessageBox::NoIcon, QApplication::applicationDisplayName(),
                                  QStringLiteral("Backup Fail!!!!"), QMessageBox::Ok, w);
      box->setAttribute(Qt::WA_DeleteOnClose);
      box->open();
    });
  }

  template <typename F>
  void Post(F change)
  {
    CBackupProgress* window = m_window;
    post_queued_call(window, [window, change] { change(window); });
  }

private:
  CBackupProgress* m_window;
};

CBackupProgress::CBackupProgress(QWidget* parent)
  : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
  // 309 × 39 dialog units of the 8-point dialog font (6 × 13 base units) in pixels.
  setWindowTitle(QStringLiteral("Backup"));
  setFixedSize(464, 63);
  // The dialog font of that size: a 13-pixel line holds the text with its underscores.
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(11);
  setFont(font);
  m_bar = new QProgressBar(this);
  m_bar->setObjectName(QStringLiteral("ctl1157"));
  m_bar->setGeometry(10, 11, 443, 21);
  m_bar->setTextVisible(false);
  m_bar->setRange(0, 100);
  m_bar->setValue(0);
  m_text = new CNoFlickerStatic(this);
  m_text->setObjectName(QStringLiteral("ctl1159"));
  m_text->setGeometry(22, 39, 324, 13);
  m_done = new QPushButton(QStringLiteral("Done"), this);
  m_done->setObjectName(QStringLiteral("ctl1158"));
  m_done->setGeometry(378, 36, 75, 23);
  m_done->setAutoDefault(false);
  connect(m_done, &QPushButton::clicked, this, &QWidget::hide);
  m_observer = std::make_unique<Observer>(this);
}

CBackupProgress::~CBackupProgress()
{
  if (m_job)
    m_job->Cancel();
  if (m_thread.joinable())
    m_thread.join();
}

bool CBackupProgress::StartBackup(BackupRequest request)
{
  if (m_running) {
    show();
    raise();
    activateWindow();
    return false;
  }
  if (m_thread.joinable())
    m_thread.join();
  m_running = true;
  m_job = std::make_unique<BackupJob>(std::move(request), *m_observer);
  m_thread = std::thread([this, job = m_job.get()] {
    const int exit_code = job->Run();
    m_observer->Post([exit_code](CBackupProgress* w) { w->OnFinished(exit_code); });
  });
  return true;
}

void CBackupProgress::OnFinished(int exit_code)
{
  if (m_thread.joinable())
    m_thread.join();
  m_running = false;
  emit backupFinished(exit_code);
}

void CBackupProgress::reject()
{
  if (!m_running)
    QDialog::reject();
}

void CBackupProgress::closeEvent(QCloseEvent* event)
{
  if (m_running)
    event->ignore();
  else
    QDialog::closeEvent(event);
}
