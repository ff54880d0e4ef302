#pragma once

#include <QList>
#include <QString>
#include <QTimer>

// Answers the program's message boxes as they come: OK, or No to a question
// (so an update offer met by chance is declined), and keeps what each box
// said so that the scenario can check it.
class ModalAnswerer {
public:
    struct Box {
        QString title;
        QString text;
    };

    ModalAnswerer();

    // The boxes answered since the last call, oldest first.
    QList<Box> take();

private:
    void answer();

    QTimer timer;
    QList<Box> boxes;
};
