#pragma once

class QWidget;

// Shows a top-level window centred on its screen, not modal.
void showCentred(QWidget* window);

// Shows a window centred and paints it before returning, without handling
// any click or key: those wait in the queue until the event loop runs.
void showCentredAndPaint(QWidget* window);
