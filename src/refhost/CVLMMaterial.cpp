#include "refhost/CVLMMaterial.h"

#include "refhost/Members.h"

namespace vlm::refhost {

namespace {

using Args = std::span<Variant>;

template <class T, class Convert>
DispatchObject::Handler valueProperty(T& field, Convert convert) {
  return [&field, convert](InvokeKind kind, Args args) {
    return property(
        kind, args, [&] { return Variant(field); }, [&](const Variant& v) { field = convert(v); });
  };
}

}  // namespace

CVLMMaterial::CVLMMaterial() {
  auto text = [](const Variant& v) { return v.toString(); };
  auto integer = [](const Variant& v) { return v.toInteger(); };
  auto color = [](const Variant& v) { return v.toLong(); };
  auto single = [](const Variant& v) { return v.toSingle(); };
  addMember("Name", valueProperty(name_, text));
  addMember("MaterialType", valueProperty(type_, integer));
  addMember("AmbientColor", valueProperty(ambient_, color));
  addMember("Color", valueProperty(color_, color));
  addMember("SpecularColor", valueProperty(specular_, color));
  addMember("Smoothness", valueProperty(smoothness_, single));
  addMember("SpecCoeff", valueProperty(specCoeff_, [](const Variant& v) { return v.toDouble(); }));
  addMember("OpacityValue", valueProperty(opacity_, single));
}

}  // namespace vlm::refhost
