#pragma once

// The station's main window. For now it only carries the product name.

#include <QMainWindow>

namespace app {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
};

} // namespace app
