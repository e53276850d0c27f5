#pragma once
// The not-connected look of the window: every value display "E01" on the window-text colour, parameters at
// their defaults, graph controls disabled. The window is built in this state, and it is put back when the
// session abandons an amplifier of the wrong type.

struct GraphPage;
struct MeasuringButtons;
struct ParameterView;
struct ValueView;

namespace display_reset {

// Main view unit indicators: micro-strain black, kN and tons silver.
void unitLabels(const ValueView& view);
// Channel, sensor, main value and total displays: disabled, "E01" (the first two on the window-text colour).
void valueDisplays(const ValueView& view);
// Bar diameter, E-modulus, K-factor and tolerance disabled with their default texts; deviation emptied.
void parameters(const ParameterView& view);
// Big view: buttons disabled, unit indicators, the five displays "E01".
void bigView(const ValueView& view, const MeasuringButtons& buttons);
// Graph page controls disabled, channel boxes ticked, edits at their default texts. The window's own
// construction also disables the four axis limit buttons.
void graphControls(const GraphPage& page, bool limitButtonsToo);
// All of the above, with the measuring and parameter buttons disabled.
void notConnected(const MeasuringButtons& buttons, const ParameterView& parameters, const ValueView& values,
                  const GraphPage& graph, bool limitButtonsToo);

} // namespace display_reset
