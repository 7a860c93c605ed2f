#pragma once
// What a window needs of a push button: to know a focused child is one (it becomes the current
// default button) and to click it when Enter is pressed. The framework's button implements it.

class afIButton {
public:
    virtual ~afIButton() = default;
    // Activates the button as a click would.
    virtual void click() = 0;
};
