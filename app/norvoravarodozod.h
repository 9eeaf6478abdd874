#pragma once

#include <QMainWindow>

class NorvoRavaRodozod : public QMainWindow
{
    Q_OBJECT
public:
    explicit NorvoRavaRodozod(QWidget *parent = nullptr);
    ~NorvoRavaRodozod() override;
};
