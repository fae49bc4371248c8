#pragma once

#include <QWidget>

class QLabel;

namespace velkora {

// The small window shown while the login loads the user's settings.
class TInizForm : public QWidget
{
    Q_OBJECT

public:
    explicit TInizForm(QWidget* parent = nullptr);

    QLabel* LabelMessaggio1;
    QLabel* LabelMessaggio2;
};

} // namespace velkora
