// CScriptHost: text fields, colour transforms, sounds through the player's mixer, drawings,
// and what reaches outside the movie (addresses, fscommand, trace, the clock).
#include "CScriptHost.h"

#include "AsValue.h"
#include "ScriptInternal.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

namespace {

constexpr double kTwips = 20;
// Script sounds one movie may hold at once.
constexpr std::size_t kMaxSounds = 4096;
// A text field a script makes may be this large, in pixels.
constexpr double kMaxFieldPixels = 1 << 20;

Rgba FromRgb(std::uint32_t rgb, double alphaPercent = 100)
{
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb),
            static_cast<std::uint8_t>(std::lround(std::clamp(alphaPercent, 0.0, 100.0) * 2.55))};
}

double ToRgb(Rgba colour)
{
    return static_cast<double>((colour.r << 16) | (colour.g << 8) | colour.b);
}

std::uint32_t RgbOf(const ClipValue& value)
{
    return value.isText ? ToUint32(TextToNumber(value.text, 7)) & 0xFFFFFF : ToUint32(value.number) & 0xFFFFFF;
}

std::string TextOf(const ClipValue& value)
{
    return value.isText ? value.text : NumberToText(value.number);
}

bool TruthOf(const ClipValue& value)
{
    return value.isText ? value.text == "true" : value.number != 0;
}

const char* AutoSizeName(CTextField::AutoSize size)
{
    switch (size) {
    case CTextField::AutoSize::Left: return "left";
    case CTextField::AutoSize::Center: return "center";
    case CTextField::AutoSize::Right: return "right";
    default: return "none";
    }
}

CTextField::AutoSize AutoSizeOf(const ClipValue& value)
{
    if (!value.isText) return value.number != 0 ? CTextField::AutoSize::Left : CTextField::AutoSize::None;
    if (value.text == "left" || value.text == "true") return CTextField::AutoSize::Left;
    if (value.text == "center") return CTextField::AutoSize::Center;
    if (value.text == "right") return CTextField::AutoSize::Right;
    return CTextField::AutoSize::None;
}

ClipValue Number(double number)
{
    ClipValue value;
    value.number = number;
    return value;
}

ClipValue Flag(bool flag)
{
    ClipValue value;
    value.isBoolean = true;
    value.number = flag ? 1 : 0;
    return value;
}

ClipValue Text(std::string text)
{
    ClipValue value;
    value.isText = true;
    value.text = std::move(text);
    return value;
}

} // namespace

// ---- text fields ----

int CScriptHost::CreateTextField(int parent, const std::string& name, int depth, const double bounds[4])
{
    CTimelineState* list = ListOf(parent);
    DisplayObject* object = list && ValidDepth(depth) ? list->Add(depth + CTimelineState::kScriptDepthBase) : nullptr;
    if (!object) return 0;
    // A plain field as a script makes it: 12-point black text in the default face, no box.
    EditText definition;
    const auto extent = [](double pixels) {
        return static_cast<std::int32_t>(std::lround(std::clamp(pixels, 0.0, kMaxFieldPixels) * kTwips));
    };
    definition.bounds = {0, extent(bounds[2]), 0, extent(bounds[3])};
    definition.readOnly = true;
    object->text = std::make_unique<CTextField>(m_movie, definition, m_context.budget);
    object->name = name;
    object->matrix.tx = std::clamp(bounds[0], -kMaxFieldPixels, kMaxFieldPixels) * kTwips;
    object->matrix.ty = std::clamp(bounds[1], -kMaxFieldPixels, kMaxFieldPixels) * kTwips;
    Index(list, *object);
    return object->id;
}

bool CScriptHost::IsTextField(int clip)
{
    const DisplayObject* object = Object(clip);
    return object && object->text;
}

bool CScriptHost::GetTextProperty(int field, const std::string& name, ClipValue& value)
{
    const DisplayObject* object = Object(field);
    if (!object || !object->text) return false;
    CTextField& text = *object->text;
    const EditText& definition = text.GetDefinition();
    if (name == "text") value = Text(text.GetText());
    else if (name == "htmlText") value = Text(text.GetHtmlText());
    else if (name == "html") value = Flag(definition.html);
    else if (name == "textColor") value = Number(ToRgb(text.GetTextColour()));
    else if (name == "autoSize") value = Text(AutoSizeName(text.GetAutoSize()));
    else if (name == "multiline") value = Flag(definition.multiline);
    else if (name == "wordWrap") value = Flag(definition.wordWrap);
    else if (name == "border") value = Flag(definition.border);
    else if (name == "borderColor") value = Number(ToRgb(definition.borderColour));
    else if (name == "background") value = Flag(definition.background);
    else if (name == "backgroundColor") value = Number(ToRgb(definition.backgroundColour));
    else if (name == "selectable") value = Flag(!definition.noSelect);
    else if (name == "password") value = Flag(definition.password);
    else if (name == "embedFonts") value = Flag(definition.useOutlines);
    else if (name == "type") value = Text(definition.readOnly ? "dynamic" : "input");
    else if (name == "variable") value = Text(definition.variableName);
    else if (name == "maxChars") value = Number(definition.maxLength);
    else if (name == "length") value = Number(static_cast<double>(Utf8Length(text.GetText())));
    else if (name == "textWidth") value = Number(text.Layout(m_pFonts).textWidth / kTwips);
    else if (name == "textHeight") value = Number(text.Layout(m_pFonts).textHeight / kTwips);
    else return false;
    return true;
}

bool CScriptHost::SetTextProperty(int field, const std::string& name, const ClipValue& value)
{
    DisplayObject* object = Object(field);
    if (!object || !object->text) return false;
    CTextField& text = *object->text;
    if (name == "text") {
        text.SetText(TextOf(value));
    } else if (name == "htmlText") {
        if (text.GetDefinition().html) text.SetHtmlText(TextOf(value));
        else text.SetText(TextOf(value));
    } else if (name == "textColor") {
        text.SetTextColour(FromRgb(RgbOf(value)));
    } else if (name == "autoSize") {
        text.SetAutoSize(AutoSizeOf(value));
    } else if (name == "variable") {
        text.EditDefinition().variableName = TextOf(value);
        if (text.GetVariableName().empty()) m_boundFields.erase(field);
        else m_boundFields.emplace(field, std::string());
    } else if (name == "textWidth" || name == "textHeight" || name == "length") {
        // Read only.
    } else {
        EditText& definition = text.EditDefinition();
        if (name == "html") definition.html = TruthOf(value);
        else if (name == "multiline") definition.multiline = TruthOf(value);
        else if (name == "wordWrap") definition.wordWrap = TruthOf(value);
        else if (name == "border") definition.border = TruthOf(value);
        else if (name == "borderColor") definition.borderColour = FromRgb(RgbOf(value));
        else if (name == "background") definition.background = TruthOf(value);
        else if (name == "backgroundColor") definition.backgroundColour = FromRgb(RgbOf(value));
        else if (name == "selectable") definition.noSelect = !TruthOf(value);
        else if (name == "password") definition.password = TruthOf(value);
        else if (name == "embedFonts") definition.useOutlines = TruthOf(value);
        else if (name == "type") definition.readOnly = TextOf(value) != "input";
        else if (name == "maxChars") definition.maxLength = static_cast<std::uint16_t>(std::clamp(value.number, 0.0, 65535.0));
        else return false;
    }
    return true;
}

void CScriptHost::SyncBoundFields()
{
    if (!ScriptsRun()) return;
    std::vector<int> fields;
    for (const auto& [id, shown] : m_boundFields) fields.push_back(id);
    for (int id : fields) {
        const DisplayObject* object = Object(id);
        if (!object || !object->text) continue;
        const std::string variable = object->text->GetVariableName();
        const int scope = Parent(id);
        std::string value;
        if (!m_vm.ReadVariable(scope, variable, value)) {
            // A variable not set yet takes the field's own text.
            object = Object(id);
            const std::string own = object && object->text ? object->text->GetText() : std::string();
            if (!own.empty()) m_vm.WriteVariable(scope, variable, own);
            continue;
        }
        // Reading may have run a getter that took the field away.
        object = Object(id);
        const auto shown = m_boundFields.find(id);
        if (!object || !object->text || shown == m_boundFields.end() || shown->second == value) continue;
        shown->second = value;
        if (object->text->GetDefinition().html) object->text->SetHtmlText(value);
        else object->text->SetText(value);
    }
}

// ---- colour ----

void CScriptHost::GetColour(int clip, double transform[8])
{
    const DisplayObject* object = Object(clip);
    const ColourTransform colour = object ? object->colour : ColourTransform();
    const double values[8] = {colour.multR * 100.0, colour.addR, colour.multG * 100.0, colour.addG,
                              colour.multB * 100.0, colour.addB, colour.multA * 100.0, colour.addA};
    std::copy(std::begin(values), std::end(values), transform);
}

void CScriptHost::SetColour(int clip, const double transform[8])
{
    DisplayObject* object = Object(clip);
    if (!object) return;
    const auto limit = [](double value) { return static_cast<float>(std::isfinite(value) ? std::clamp(value, -1e4, 1e4) : 0); };
    ColourTransform& colour = object->colour;
    colour.multR = limit(transform[0]) / 100;
    colour.addR = limit(transform[1]);
    colour.multG = limit(transform[2]) / 100;
    colour.addG = limit(transform[3]);
    colour.multB = limit(transform[4]) / 100;
    colour.addB = limit(transform[5]);
    colour.multA = limit(transform[6]) / 100;
    colour.addA = limit(transform[7]);
    object->detached = true;
}

// ---- sound ----

// Whose volume a script's sound takes: the clip's timeline (its frame sounds share it), or
// the whole movie's for none. False for a clip that has gone.
bool CScriptHost::SoundOwner(int clip, const void*& owner) const
{
    owner = nullptr;
    if (clip == 0) return true;
    const DisplayObject* object = Object(clip);
    if (!object) return false;
    owner = object->sprite ? static_cast<const void*>(object->sprite.get()) : static_cast<const void*>(object);
    return true;
}

int CScriptHost::NewSound(int clip)
{
    if (m_sounds.size() >= kMaxSounds) return 0;
    const int sound = m_nNextSound++;
    m_sounds[sound] = {clip, 0};
    return sound;
}

bool CScriptHost::AttachSound(int sound, const std::string& exportName)
{
    const auto found = m_sounds.find(sound);
    const std::uint16_t id = m_movie.FindSoundId(exportName);
    if (found == m_sounds.end() || id == 0) return false;
    found->second.soundId = id;
    return true;
}

void CScriptHost::StartSound(int sound, double offsetSeconds, int loops)
{
    const auto found = m_sounds.find(sound);
    const void* owner = nullptr;
    if (!m_context.sound || found == m_sounds.end() || !found->second.soundId || !SoundOwner(found->second.clip, owner))
        return;
    m_context.sound->Start(found->second.soundId, offsetSeconds, loops, owner);
}

void CScriptHost::StopSound(int sound)
{
    const auto found = m_sounds.find(sound);
    const void* owner = nullptr;
    if (!m_context.sound || found == m_sounds.end() || !SoundOwner(found->second.clip, owner)) return;
    if (found->second.soundId) m_context.sound->Stop(found->second.soundId);
    else m_context.sound->StopAll(owner);
}

void CScriptHost::SetVolume(int sound, int volume)
{
    const auto found = m_sounds.find(sound);
    const void* owner = nullptr;
    if (found == m_sounds.end() || !SoundOwner(found->second.clip, owner)) return;
    volume = std::clamp(volume, 0, 100000);
    if (m_context.sound) m_context.sound->SetVolume(owner, volume);
    else m_silentVolumes[found->second.clip] = volume;  // read back as set, heard or not
}

int CScriptHost::GetVolume(int sound)
{
    const auto found = m_sounds.find(sound);
    const void* owner = nullptr;
    if (found == m_sounds.end() || !SoundOwner(found->second.clip, owner)) return 100;
    if (m_context.sound) return m_context.sound->GetVolume(owner);
    const auto set = m_silentVolumes.find(found->second.clip);
    return set == m_silentVolumes.end() ? 100 : set->second;
}

void CScriptHost::StopSounds()
{
    if (m_context.sound) m_context.sound->StopAll();
}

// ---- drawing ----

void CScriptHost::Draw(int clip, const DrawCommand& command)
{
    DisplayObject* object = Object(clip);
    if (!object || !object->IsClip()) return;
    if (!object->drawing) object->drawing = std::make_unique<CDrawing>();
    CDrawing& drawing = *object->drawing;
    switch (command.kind) {
    case DrawCommand::Clear: drawing.Clear(); break;
    case DrawCommand::LineStyle: drawing.LineStyle(command.width * kTwips, FromRgb(command.rgb, command.alpha)); break;
    case DrawCommand::BeginFill: {
        FillStyle fill;
        fill.colour = FromRgb(command.rgb, command.alpha);
        drawing.BeginFill(fill);
        break;
    }
    case DrawCommand::BeginGradientFill: {
        FillStyle fill;
        fill.kind = command.radial ? FillKind::Radial : FillKind::Linear;
        fill.matrix = {command.matrix[0], command.matrix[1], command.matrix[2],
                       command.matrix[3], command.matrix[4], command.matrix[5]};
        int last = 0;
        for (const DrawCommand::Stop& stop : command.stops) {
            // Ratios only rise.
            last = std::max(last, stop.ratio);
            fill.stops.push_back({static_cast<std::uint8_t>(last), FromRgb(stop.rgb, stop.alpha)});
        }
        drawing.BeginFill(fill);
        break;
    }
    case DrawCommand::MoveTo: drawing.MoveTo(command.x * kTwips, command.y * kTwips); break;
    case DrawCommand::LineTo: drawing.LineTo(command.x * kTwips, command.y * kTwips); break;
    case DrawCommand::CurveTo:
        drawing.CurveTo(command.controlX * kTwips, command.controlY * kTwips, command.x * kTwips, command.y * kTwips);
        break;
    case DrawCommand::EndFill: drawing.EndFill(); break;
    }
}

// ---- the outside ----

void CScriptHost::OpenUrl(const std::string& url, const std::string&, bool byUser)
{
    if (m_pOpener && MayOpenUrl(url, byUser)) m_pOpener->Open(url);
}

void CScriptHost::FsCommand(const std::string& command, const std::string& arguments)
{
    Log("fscommand: " + command + (arguments.empty() ? "" : " " + arguments));
}

void CScriptHost::Trace(const std::string& text)
{
    Log(text);
}

void CScriptHost::Log(std::string line)
{
    if (line.size() > kMaxLogLine) line.resize(kMaxLogLine);
    if (m_logHook) m_logHook(line);
    if (m_log.size() >= kMaxLogLines) m_log.pop_front();
    m_log.push_back(std::move(line));
}

void CScriptHost::ScriptsStopped(const std::string& why)
{
    m_strStopped = why;
    m_due.clear();
    // The timelines play their simple actions from now on.
    m_context.scripted = false;
}

double CScriptHost::Now()
{
    using namespace std::chrono;
    return static_cast<double>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

int CScriptHost::LocalOffsetMinutes(double utcMs)
{
    // Within the years the C library's time functions cover everywhere.
    if (!std::isfinite(utcMs) || std::fabs(utcMs) > 8.0e15) return 0;
    const std::time_t seconds = static_cast<std::time_t>(std::clamp(std::floor(utcMs / 1000), 0.0, 32503680000.0));
    const std::tm* localTime = std::localtime(&seconds);
    if (!localTime) return 0;
    const std::tm local = *localTime;
    const std::tm* utcTime = std::gmtime(&seconds);
    if (!utcTime) return 0;
    const std::tm& utc = *utcTime;
    int days = local.tm_yday - utc.tm_yday;
    if (local.tm_year != utc.tm_year) days = local.tm_year > utc.tm_year ? 1 : -1;
    return days * 1440 + (local.tm_hour - utc.tm_hour) * 60 + (local.tm_min - utc.tm_min);
}

std::uint32_t CScriptHost::RandomSeed()
{
    return static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

void CScriptHost::GetStageSize(double& width, double& height)
{
    const StageRect& stage = m_movie.GetStage();
    width = (static_cast<double>(stage.xMax) - stage.xMin) / kTwips;
    height = (static_cast<double>(stage.yMax) - stage.yMin) / kTwips;
}
