// The material level of the 3DS reader: one host material per material definition, its
// colours and percentages, and the readers of the colour and percentage sub-chunks.
#include "import3ds/CImp_3DS.h"
#include "import3ds/ChunkIO.h"
#include "import3ds/modConst3DS.h"
#include "platform/Convert.h"

namespace vlm {

using namespace import3ds;
using namespace modConst3DS;

namespace {

constexpr int16_t kMaterialType = 4;
constexpr double kDefaultSpecCoeff = 0.2;

// A colour component of 0 to 1 as a byte: times 255 in single precision, rounded half
// to even; error 6 when the result is not a byte.
uint8_t componentByte(float component) {
  const double rounded = roundHalfEven(static_cast<double>(component * 255.0f));
  if (!(rounded >= 0.0 && rounded <= 255.0)) raise(err::kOverflow);
  return static_cast<uint8_t>(rounded);
}

// "(" & trace & ") " & text, built by appending: the operator+ chain trips a false
// overlap warning of GCC 12 at -O3.
std::string prefixed(std::string_view trace, const std::string& text) {
  std::string out;
  out.reserve(trace.size() + text.size() + 3);
  out.append("(").append(trace).append(") ").append(text);
  return out;
}

}  // namespace

bool CImp_3DS::Read_Material(int32_t& pos, int32_t length) {
  return walkChunks(pos, pos, length, &CImp_3DS::materialChunk);
}

// Colour and percentage chunks leave the position after the last sub-chunk taken, not
// at their own end; anything more inside them is met by this loop as an unknown chunk.
bool CImp_3DS::materialChunk(const ChunkHeader& header, int32_t& pos, bool& ok) {
  using Material = host::HostMaterial;
  switch (header.ID) {
    case kMaterialName: {
      m_Trace = "MATERIAL NAME";
      std::string name = Read_String(pos);
      if (!m_Trace.empty()) {
        m_Trace = "(MATERIAL NAME) " + m_Trace;
        ok = false;
        return true;
      }
      Add_Material(std::move(name));
      ok = m_Trace.empty();
      return true;
    }
    case kMatAmbient:
      ok = readColorProperty(pos, "MAT AMBIENT", &Material::setAmbientColor);
      return true;
    case kMatDiffuse: ok = readColorProperty(pos, "MAT DIFFUSE", &Material::setColor); return true;
    case kMatSpecular:
      ok = readColorProperty(pos, "MAT SPECULAR", &Material::setSpecularColor);
      return true;
    case kMatShininess:
      ok = readPercentProperty(pos, "MAT SHINESS", false, &Material::setSmoothness);
      return true;
    case kMatSpecCoeff:
    case kMatSpecCoeff2:
      ok = readPercentProperty(pos, "MAT SPECULAR", false, &Material::setSpecCoeff);
      return true;
    case kMatTransparency:
      ok = readPercentProperty(pos, "MAT TRANSPARENCY", true, &Material::setOpacityValue);
      return true;
    default: return false;
  }
}

// A colour chunk: the colour read and given to the current material, or the failure
// text with the chunk's name in front.
bool CImp_3DS::readColorProperty(int32_t& pos, std::string_view trace,
                                 void (host::HostMaterial::*setter)(int32_t)) {
  m_Trace = trace;
  if (!Read_Color(pos)) {
    m_Trace = prefixed(trace, m_Trace);
    return false;
  }
  host::HostMaterial material = currentMaterial();
  (material.*setter)(host::colorNumber(m_Color.R, m_Color.G, m_Color.B));
  return true;
}

// A percentage chunk: the fraction (or, for transparency, one less the fraction) given
// to the current material.
bool CImp_3DS::readPercentProperty(int32_t& pos, std::string_view trace, bool opacity,
                                   void (host::HostMaterial::*setter)(float)) {
  m_Trace = trace;
  if (!Read_Percentage(pos)) {
    m_Trace = prefixed(trace, m_Trace);
    return false;
  }
  host::HostMaterial material = currentMaterial();
  (material.*setter)(opacity ? 1.0f - m_Percent : m_Percent);
  return true;
}

void CImp_3DS::Add_Material(std::string name) {
  try {
    {
      host::HostMaterial material = host::HostMaterial::create();
      if (name.empty()) name = "Material";
      material.setName(name);
      material.setMaterialType(kMaterialType);
      m_colMaterial3D->Add(material.ref());
    }
    currentMaterial().setSpecCoeff(kDefaultSpecCoeff);
    m_Trace.clear();
  } catch (...) {
    trapWithPrefix("(ADD MATERIAL) ");
  }
}

// A byte or single colour sub-chunk, optionally followed by a second byte colour that
// replaces it. Any other sub-chunk fails with an empty description.
bool CImp_3DS::Read_Color(int32_t& pos) {
  try {
    ChunkHeader header;
    Read_ChunkHeader(pos, header);
    if (header.ID == kColorByte) {
      m_Trace = "BYTE COLOR CHUNK";
      readAt(pos, &m_Color, sizeof m_Color);
      pos = movePos(pos, 3);
    } else if (header.ID == kColorFloat) {
      m_Trace = "SINGLE COLOR CHUNK";
      readAt(pos, &m_ColorF, sizeof m_ColorF);
      pos = movePos(pos, 12);
      m_Color.R = componentByte(m_ColorF.R);
      m_Color.G = componentByte(m_ColorF.G);
      m_Color.B = componentByte(m_ColorF.B);
    } else {
      m_Trace = "(BYTE COLOR CHUNK) ";
      return false;
    }
    Read_ChunkHeader(pos, header);
    if (header.ID == kColorByteSecond) {
      m_Trace = "BYTE COLOR CHUNK";
      readAt(pos, &m_Color, sizeof m_Color);
      pos = movePos(pos, 3);
    } else {
      pos = movePos(pos, -kHeaderSize);  // read again by the caller
    }
    m_Trace.clear();
    return true;
  } catch (...) {
    return trapWithTrace();
  }
}

// A whole percentage (divided by 100) or a single fraction (taken as it is).
bool CImp_3DS::Read_Percentage(int32_t& pos) {
  try {
    ChunkHeader header;
    Read_ChunkHeader(pos, header);
    if (header.ID == kPercentInt) {
      m_Trace = "INT PERCENTAGE CHUNK";
      const auto percent = readValue<int16_t>(pos);
      pos = movePos(pos, 2);
      m_Percent = static_cast<float>(percent / 100.0);
    } else if (header.ID == kPercentFloat) {
      m_Trace = "FLOAT PERCENTAGE CHUNK";
      m_Percent = readValue<float>(pos);
      pos = movePos(pos, 4);
    } else {
      m_Trace = "(PERCENTAGE CHUNK) ";
      return false;
    }
    m_Trace.clear();
    return true;
  } catch (...) {
    return trapWithTrace();
  }
}

// The material added last.
host::HostMaterial CImp_3DS::currentMaterial() const {
  return host::HostMaterial(m_colMaterial3D->Item(m_colMaterial3D->Count()));
}

}  // namespace vlm
