#pragma once
// The not-connected look of the window: every value display "E01" on the window-text colour, parameters at
// their defaults, graph controls disabled. The window is built in this state, and the device session puts
// it back when it abandons an amplifier of the wrong type.

class Form;

namespace display_reset {

// Main view unit indicators: micro-strain black, kN and tons silver.
void unitLabels(const Form& form);
// Channel, sensor, main value and total displays: disabled, "E01" (the first two on the window-text colour).
void valueDisplays(const Form& form);
// Bar diameter, E-modulus, K-factor and tolerance disabled with their default texts; deviation emptied.
void parameters(const Form& form);
// Big view: buttons disabled, unit indicators, the five displays "E01".
void bigView(const Form& form);
// Graph page controls disabled, channel boxes ticked, edits at their default texts. The window's own
// construction also disables the four axis limit buttons.
void graphControls(const Form& form, bool limitButtonsToo);

} // namespace display_reset
