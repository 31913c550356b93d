#include "lv2/LV2Turtle.h"

#include <charconv>
#include <cmath>
#include <sstream>

#include "lv2/LV2Ports.h"

namespace LV2Turtle {
namespace {

const char* const kPrefixes =
    "@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf:  <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts:  <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix param: <http://lv2plug.in/ns/ext/parameters#> .\n"
    "@prefix pg:    <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string Iri(const std::string& s)
{
  return "<" + s + ">";
}

// The stereo group of the audio ports in one direction.
std::string GroupIri(const Plugin& p, bool input)
{
  return Iri(p.uri + (input ? "#in" : "#out"));
}

void AudioPort(std::ostringstream& o, const Plugin& p, bool input, int channel, uint32_t index)
{
  const bool stereo = (input ? p.nIn : p.nOut) == 2;
  o << "\t\t[\n\t\t\ta lv2:AudioPort , " << (input ? "lv2:InputPort" : "lv2:OutputPort") << " ;\n"
    << "\t\t\tlv2:index " << index << " ;\n"
    << "\t\t\tlv2:symbol " << Quoted(input ? LV2PortSymbols::kInputs[channel] : LV2PortSymbols::kOutputs[channel])
    << " ;\n"
    << "\t\t\tlv2:name " << Quoted(std::string(input ? "Input " : "Output ") + (channel == 0 ? "L" : "R"));
  if (stereo)
    o << " ;\n\t\t\tpg:group " << GroupIri(p, input) << " ;\n\t\t\tlv2:designation "
      << (channel == 0 ? "pg:left" : "pg:right");
  o << "\n\t\t]";
}

void ParamPort(std::ostringstream& o, const ControlPort& c, uint32_t index)
{
  o << "\t\t[\n\t\t\ta lv2:InputPort , lv2:ControlPort ;\n"
    << "\t\t\tlv2:index " << index << " ;\n"
    << "\t\t\tlv2:symbol " << Quoted(c.symbol) << " ;\n"
    << "\t\t\tlv2:name " << Quoted(c.name) << " ;\n"
    << "\t\t\tlv2:default " << Number(c.def) << " ;\n"
    << "\t\t\tlv2:minimum " << Number(c.min) << " ;\n"
    << "\t\t\tlv2:maximum " << Number(c.max);
  std::string props;
  if (c.integer) props += "lv2:integer";
  if (c.toggled) props += std::string(props.empty() ? "" : " , ") + "lv2:toggled";
  if (c.enumeration) props += std::string(props.empty() ? "" : " , ") + "lv2:enumeration";
  if (!props.empty()) o << " ;\n\t\t\tlv2:portProperty " << props;
  if (!c.unit.empty()) o << " ;\n\t\t\tunits:unit units:" << c.unit;
  for (size_t k = 0; k < c.points.size(); ++k)
    o << (k == 0 ? " ;\n\t\t\tlv2:scalePoint " : " , ") << "[\n\t\t\t\trdfs:label " << Quoted(c.points[k].label)
      << " ;\n\t\t\t\trdf:value " << Number(c.points[k].value) << "\n\t\t\t]";
  o << "\n\t\t]";
}

}  // namespace

std::string Number(double v)
{
  if (!std::isfinite(v)) return "0.0";
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof(buf) - 3, v);
  std::string s(buf, r.ptr);
  // A Turtle integer literal would be an xsd:integer: keep every number a decimal.
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

std::string Quoted(const std::string& s)
{
  std::string out = "\"";
  for (char c : s)
  {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out + "\"";
}

std::string Manifest(const Plugin& p)
{
  std::ostringstream o;
  o << kPrefixes;
  o << Iri(p.uri) << "\n\ta lv2:Plugin ;\n\tlv2:binary " << Iri(p.dspBinary) << " ;\n\trdfs:seeAlso "
    << Iri(p.pluginFile) << " .\n\n";
  o << Iri(p.uiURI) << "\n\ta ui:X11UI ;\n\tlv2:binary " << Iri(p.uiBinary) << " ;\n\trdfs:seeAlso "
    << Iri(p.uiFile) << " .\n";
  for (const Preset& preset : p.presets)
    o << "\n"
      << Iri(preset.uri) << "\n\ta pset:Preset ;\n\tlv2:appliesTo " << Iri(p.uri) << " ;\n\trdfs:seeAlso "
      << Iri(p.presetsFile) << " .\n";
  return o.str();
}

std::string PluginData(const Plugin& p)
{
  const LV2Ports ports{p.nIn, p.nOut, static_cast<int>(p.params.size())};
  std::ostringstream o;
  o << kPrefixes;
  if (p.nIn == 2)
    o << GroupIri(p, true) << "\n\ta pg:StereoGroup , pg:InputGroup ;\n\tlv2:symbol \"in\" ;\n\trdfs:label "
      << Quoted("Input") << " .\n\n";
  if (p.nOut == 2)
    o << GroupIri(p, false) << "\n\ta pg:StereoGroup , pg:OutputGroup ;\n\tlv2:symbol \"out\" ;\n\trdfs:label "
      << Quoted("Output") << " .\n\n";

  o << Iri(p.uri) << "\n\ta lv2:Plugin" << (p.classes.empty() ? "" : " , " + p.classes) << " , doap:Project ;\n"
    << "\tdoap:name " << Quoted(p.name) << " ;\n"
    << "\tdoap:maintainer [\n\t\tfoaf:name " << Quoted(p.maintainer) << " ;\n\t\tfoaf:homepage "
    << Iri(p.homepage) << " ;\n\t\tfoaf:mbox " << Iri("mailto:" + p.email) << "\n\t] ;\n"
    << "\tlv2:minorVersion " << p.minorVersion << " ;\n"
    << "\tlv2:microVersion " << p.microVersion << " ;\n"
    << "\tlv2:optionalFeature lv2:hardRTCapable , urid:map , opts:options ;\n"
    << "\tlv2:extensionData state:interface ;\n"
    << "\topts:supportedOption bufsz:maxBlockLength , bufsz:nominalBlockLength ;\n"
    << "\tui:ui " << Iri(p.uiURI) << " ;\n";
  if (p.nIn == 2) o << "\tpg:mainInput " << GroupIri(p, true) << " ;\n";
  if (p.nOut == 2) o << "\tpg:mainOutput " << GroupIri(p, false) << " ;\n";
  o << "\tlv2:port\n";
  for (int i = 0; i < p.nIn; ++i)
  {
    AudioPort(o, p, true, i, ports.AudioIn(i));
    o << " ,\n";
  }
  for (int i = 0; i < p.nOut; ++i)
  {
    AudioPort(o, p, false, i, ports.AudioOut(i));
    o << " ,\n";
  }
  for (size_t i = 0; i < p.params.size(); ++i)
  {
    ParamPort(o, p.params[i], ports.Param(static_cast<int>(i)));
    o << " ,\n";
  }
  o << "\t\t[\n\t\t\ta lv2:InputPort , lv2:ControlPort ;\n"
    << "\t\t\tlv2:index " << ports.Enabled() << " ;\n"
    << "\t\t\tlv2:symbol " << Quoted(LV2PortSymbols::kEnabled) << " ;\n"
    << "\t\t\tlv2:name " << Quoted("Enabled") << " ;\n"
    << "\t\t\tlv2:designation lv2:enabled ;\n"
    << "\t\t\tlv2:default 1 ;\n\t\t\tlv2:minimum 0 ;\n\t\t\tlv2:maximum 1 ;\n"
    << "\t\t\tlv2:portProperty lv2:integer , lv2:toggled\n\t\t] ,\n";
  o << "\t\t[\n\t\t\ta lv2:OutputPort , lv2:ControlPort ;\n"
    << "\t\t\tlv2:index " << ports.Latency() << " ;\n"
    << "\t\t\tlv2:symbol " << Quoted(LV2PortSymbols::kLatency) << " ;\n"
    << "\t\t\tlv2:name " << Quoted("Latency") << " ;\n"
    << "\t\t\tlv2:designation lv2:latency ;\n"
    << "\t\t\tlv2:minimum 0 ;\n\t\t\tlv2:maximum " << p.maxLatency << " ;\n"
    << "\t\t\tlv2:portProperty lv2:reportsLatency , lv2:integer ;\n"
    << "\t\t\tunits:unit units:frame\n\t\t] .\n";
  return o.str();
}

std::string UIData(const Plugin& p)
{
  std::ostringstream o;
  o << kPrefixes;
  o << Iri(p.uiURI) << "\n\ta ui:X11UI ;\n"
    << "\tlv2:binary " << Iri(p.uiBinary) << " ;\n"
    << "\tlv2:requiredFeature ui:parent , ui:idleInterface ;\n"
    << "\tlv2:optionalFeature ui:noUserResize , ui:resize , ui:touch , urid:map , opts:options ;\n"
    << "\topts:supportedOption ui:scaleFactor , param:sampleRate ;\n"
    << "\tlv2:extensionData ui:idleInterface .\n";
  return o.str();
}

std::string Presets(const Plugin& p)
{
  std::ostringstream o;
  o << kPrefixes;
  for (size_t k = 0; k < p.presets.size(); ++k)
  {
    const Preset& preset = p.presets[k];
    o << (k ? "\n" : "") << Iri(preset.uri) << "\n\ta pset:Preset ;\n\tlv2:appliesTo " << Iri(p.uri)
      << " ;\n\trdfs:label " << Quoted(preset.label) << " ;\n";
    if (!preset.comment.empty()) o << "\trdfs:comment " << Quoted(preset.comment) << " ;\n";
    o << "\tlv2:port";
    for (size_t i = 0; i < preset.values.size() && i < p.params.size(); ++i)
      o << (i ? " , [\n" : " [\n") << "\t\tlv2:symbol " << Quoted(p.params[i].symbol) << " ;\n\t\tpset:value "
        << Number(preset.values[i]) << "\n\t]";
    o << " .\n";
  }
  return o.str();
}

}  // namespace LV2Turtle
