#pragma once

#include <QImage>
#include <QWidget>

// The splash window: the product picture in a fixed window without a title.
// A click anywhere on it is reported through clicked(); closing it never
// ends the program, which lives as long as the main window.
class FrmSplash : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 286;
  static constexpr int kClientHeight = 216;

  explicit FrmSplash(QWidget* parent = nullptr);

  const QImage& picture() const { return picture_; }

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage picture_;
  bool pressed_ = false;
};
