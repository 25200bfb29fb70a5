#include "refhost/CVLMMaterial.h"

#include "refhost/Members.h"

namespace vlm::refhost {

namespace {

using Args = std::span<Variant>;

// A property that reads and writes one field of the material, converted on a put.
template <class T, class Convert>
auto valueProperty(T CVLMMaterial::*field, Convert convert) {
  return [field, convert](CVLMMaterial& material, InvokeKind kind, Args args) {
    return property(
        kind, args, [&] { return Variant(material.*field); },
        [&](const Variant& v) { material.*field = convert(v); });
  };
}

}  // namespace

CVLMMaterial::CVLMMaterial() : DispatchObject(members()) {}

const DispatchObject::SharedMembers& CVLMMaterial::members() {
  static const SharedMembers table = [] {
    auto text = [](const Variant& v) { return v.toString(); };
    auto integer = [](const Variant& v) { return v.toInteger(); };
    auto color = [](const Variant& v) { return v.toLong(); };
    auto single = [](const Variant& v) { return v.toSingle(); };
    auto real = [](const Variant& v) { return v.toDouble(); };
    SharedMembers t;
    addShared<CVLMMaterial>(t, "Name", valueProperty(&CVLMMaterial::name_, text));
    addShared<CVLMMaterial>(t, "MaterialType", valueProperty(&CVLMMaterial::type_, integer));
    addShared<CVLMMaterial>(t, "AmbientColor", valueProperty(&CVLMMaterial::ambient_, color));
    addShared<CVLMMaterial>(t, "Color", valueProperty(&CVLMMaterial::color_, color));
    addShared<CVLMMaterial>(t, "SpecularColor", valueProperty(&CVLMMaterial::specular_, color));
    addShared<CVLMMaterial>(t, "Smoothness", valueProperty(&CVLMMaterial::smoothness_, single));
    addShared<CVLMMaterial>(t, "SpecCoeff", valueProperty(&CVLMMaterial::specCoeff_, real));
    addShared<CVLMMaterial>(t, "OpacityValue", valueProperty(&CVLMMaterial::opacity_, single));
    return t;
  }();
  return table;
}

}  // namespace vlm::refhost
