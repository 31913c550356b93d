#pragma once

// What the plug-in core needs of its editor. The editor layer's IGraphics derives
// from this, so the framework never depends on the editor layer. The plug-in base
// owns the editor it is given (AttachGraphics) and deletes it through this interface.
class IEditorHooks
{
public:
  virtual ~IEditorHooks() {}

  // Shows a parameter's value on the editor's controls bound to parameter idx.
  // value is normalised (0..1) when normalized is true, else plain. May be called
  // from the audio thread (host automation) as well as from the UI thread.
  virtual void SetParameterFromPlug(int idx, double value, bool normalized) = 0;

  // Called once when the editor is attached, after every parameter has been pushed
  // and before the first drawing.
  virtual void PrepDraw() = 0;
};
