// Qt-facing extras for tests and for code that must reach a widget: the
// widget behind a panel or control handle, e.g. to simulate a user's click.
#pragma once

class QWidget;

QWidget* UiPanelWidget(int panel);             // nullptr for an unknown handle
QWidget* UiCtrlWidget(int panel, int control); // graphs: the plot widget itself
