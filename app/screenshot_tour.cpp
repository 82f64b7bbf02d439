#include "app/screenshot_tour.h"

#include "res/resource.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTimer>
#include <QVariant>
#include <cstdio>

namespace {

constexpr int kTickMs = 100;
// A step that has not happened after this many ticks will not happen.
constexpr int kGiveUpTicks = 100;
// Lets a window that has just appeared paint and settle before its picture is taken.
constexpr int kSettleTicks = 3;

QDialog* VisibleDialog(const char* className) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->inherits(className))
            return static_cast<QDialog*>(w);
    return nullptr;
}

void PressButton(QDialog& dialog, int controlId) {
    for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>())
        if (b->property("controlId").toInt() == controlId) {
            // Queued: the button opens a modal window, and the tour must keep ticking meanwhile.
            QMetaObject::invokeMethod(b, &QAbstractButton::click, Qt::QueuedConnection);
            return;
        }
}

class CScreenshotTour : public QObject {
public:
    explicit CScreenshotTour(const QString& dir) : QObject(qApp), m_dir(dir) {
        connect(&m_timer, &QTimer::timeout, this, &CScreenshotTour::Tick);
        m_timer.start(kTickMs);
    }

private:
    enum Step { WaitMain, WaitStatus, WaitConfig, ShootMain, Done };

    void Tick() {
        ++m_ticks;
        switch (m_step) {
        case WaitMain:
            if (QDialog* main = Ready("CTerminalDlg")) {
                PressButton(*main, IDC_READ_CARD_STATUS);
                Next(WaitStatus);
            }
            break;
        case WaitStatus:
            if (QDialog* status = Ready("CCardStatusDlg")) {
                Save(*status, QStringLiteral("card-status.png"));
                status->reject();
                if (QDialog* main = VisibleDialog("CTerminalDlg"))
                    PressButton(*main, IDC_CONFIGURE_CARD);
                Next(WaitConfig);
            }
            break;
        case WaitConfig:
            if (QDialog* config = Ready("CCardConfigDlg")) {
                Save(*config, QStringLiteral("card-config.png"));
                config->reject();
                Next(ShootMain);
            }
            break;
        case ShootMain:
            if (QDialog* main = Ready("CTerminalDlg")) {
                Save(*main, QStringLiteral("main-window.png"));
                main->reject(); // as Escape: the settings file stays as it was
                Next(Done);
            }
            break;
        case Done:
            m_timer.stop();
            break;
        }
        if (m_step != Done && m_ticks > kGiveUpTicks)
            GiveUp();
    }

    // The window once it has been on screen for a moment and nothing modal covers it.
    QDialog* Ready(const char* className) {
        QDialog* d = VisibleDialog(className);
        if (!d || (QApplication::activeModalWidget() && QApplication::activeModalWidget() != d)) {
            m_shown = 0;
            return nullptr;
        }
        return ++m_shown > kSettleTicks ? d : nullptr;
    }

    void Next(Step step) {
        m_step = step;
        m_ticks = 0;
        m_shown = 0;
    }

    void Save(QWidget& w, const QString& name) {
        const QString path = QDir(m_dir).filePath(name);
        if (w.grab().save(path, "PNG", 0)) // 0: the smallest file
            std::fprintf(stderr, "screenshot: %s\n", qPrintable(path));
        else
            std::fprintf(stderr, "screenshot: cannot write %s\n", qPrintable(path));
    }

    void GiveUp() {
        std::fprintf(stderr, "screenshot: gave up waiting (step %d); closing\n", int(m_step));
        m_step = Done;
        m_timer.stop();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible() && !d->inherits("CTerminalDlg"))
                d->reject();
        if (QDialog* main = VisibleDialog("CTerminalDlg"))
            QMetaObject::invokeMethod(main, &QDialog::reject, Qt::QueuedConnection);
    }

    QString m_dir;
    QTimer m_timer;
    Step m_step = WaitMain;
    int m_ticks = 0;
    int m_shown = 0;
};

} // namespace

void StartScreenshotTour(const QString& dir) {
    new CScreenshotTour(dir);
}
