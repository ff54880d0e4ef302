#include "modalcloser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

qint64 benchClock() {
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.nsecsElapsed();
}

ModalCloser::ModalCloser(QObject *parent)
    : QObject(parent)
    , m_timer(new QTimer(this)) {
    m_timer->setInterval(0);
    connect(m_timer, &QTimer::timeout, this, &ModalCloser::poll);
    m_timer->start();
}

void ModalCloser::poll() {
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        m_seen << box->windowTitle() + QStringLiteral(": ") + box->text();
        QAbstractButton *button = box->button(QMessageBox::No);
        if (!button)
            button = box->button(QMessageBox::Ok);
        if (!button && !box->buttons().isEmpty())
            button = box->buttons().constFirst();
        m_lastAnswered = benchClock();
        if (button)
            button->click();
        else
            box->reject();
    } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        m_seen << dialog->windowTitle();
        m_lastAnswered = benchClock();
        if (m_fileName.isEmpty()) {
            dialog->reject();
        } else {
            dialog->selectFile(m_fileName);
            // Through QDialog: QFileDialog keeps its override protected.
            static_cast<QDialog *>(dialog)->accept();
        }
    }
}
