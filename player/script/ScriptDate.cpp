// The built-in Date class: a time in milliseconds since 1970 (UTC), shown in local time by the
// host's offset.
#include "CScriptVM.h"

#include "ScriptInternal.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

using Args = std::vector<AsValue>;
constexpr double kDayMs = 86400000.0;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Days since 1970-01-01 of a civil date (any month, which carries into the year).
double DaysFromCivil(double year, double month, double day)
{
    year += std::floor(month / 12);
    month = std::fmod(month, 12);
    if (month < 0) month += 12;
    const double y = month < 2 ? year - 1 : year;
    const double era = std::floor(y / 400);
    const double yearOfEra = y - era * 400;
    const double m = month < 2 ? month + 10 : month - 2;  // months from March
    const double dayOfYear = std::floor((153 * m + 2) / 5) + day - 1;
    const double dayOfEra = yearOfEra * 365 + std::floor(yearOfEra / 4) - std::floor(yearOfEra / 100) + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct Civil {
    double year, month, day, weekday, hours, minutes, seconds, ms;
};

Civil ToCivil(double time)
{
    const double days = std::floor(time / kDayMs);
    double msOfDay = time - days * kDayMs;
    const double z = days + 719468;
    const double era = std::floor(z / 146097);
    const double dayOfEra = z - era * 146097;
    const double yearOfEra = std::floor((dayOfEra - std::floor(dayOfEra / 1460) + std::floor(dayOfEra / 36524) -
                                         std::floor(dayOfEra / 146096)) / 365);
    const double dayOfYear = dayOfEra - (365 * yearOfEra + std::floor(yearOfEra / 4) - std::floor(yearOfEra / 100));
    const double mp = std::floor((5 * dayOfYear + 2) / 153);
    Civil civil{};
    civil.day = dayOfYear - std::floor((153 * mp + 2) / 5) + 1;
    civil.month = mp < 10 ? mp + 2 : mp - 10;
    civil.year = yearOfEra + era * 400 + (civil.month < 2 ? 1 : 0);
    civil.weekday = std::fmod(std::fmod(days + 4, 7) + 7, 7);
    civil.hours = std::floor(msOfDay / 3600000);
    msOfDay -= civil.hours * 3600000;
    civil.minutes = std::floor(msOfDay / 60000);
    msOfDay -= civil.minutes * 60000;
    civil.seconds = std::floor(msOfDay / 1000);
    civil.ms = msOfDay - civil.seconds * 1000;
    return civil;
}

double FromCivil(const Civil& c)
{
    return DaysFromCivil(c.year, c.month, c.day) * kDayMs + c.hours * 3600000 + c.minutes * 60000 + c.seconds * 1000 + c.ms;
}

double Offset(CScriptVM& vm, double utc)
{
    return vm.Host().LocalOffsetMinutes(utc) * 60000.0;
}

double TimeOf(const AsValue& self)
{
    return self.IsObject() && self.object->m_kind == AsKind::Date ? self.object->m_primitive.number : kNaN;
}

void SetTime(const AsValue& self, double time)
{
    if (!self.IsObject() || self.object->m_kind != AsKind::Date) return;
    if (!std::isfinite(time) || std::fabs(time) > 8.64e15) time = kNaN;
    self.object->m_primitive = AsValue::Number(std::isnan(time) ? time : std::trunc(time));
}

// Fields from arguments: a year, month … ms list as Date(y, m, …) and Date.UTC take it.
double FieldsTime(CScriptVM& vm, const Args& args)
{
    Civil c{};
    double* fields[] = {&c.year, &c.month, &c.day, &c.hours, &c.minutes, &c.seconds, &c.ms};
    c.day = 1;
    for (std::size_t i = 0; i < args.size() && i < 7; ++i) *fields[i] = std::trunc(vm.ToNumber(args[i]));
    if (c.year >= 0 && c.year <= 99) c.year += 1900;
    return FromCivil(c);
}

AsValue DateConstructor(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    const double now = std::floor(vm.Host().Now());
    if (!vm.m_bConstructing || !self.IsObject()) {
        CAsObject* date = vm.NewObject(AsKind::Date, vm.m_pDateProto);
        date->m_primitive = AsValue::Number(now);
        return vm.ToStringValue(AsValue::Object(date));
    }
    self.object->m_kind = AsKind::Date;
    if (args.empty()) {
        SetTime(self, now);
    } else if (args.size() == 1) {
        SetTime(self, vm.ToNumber(args[0]));
    } else {
        const double local = FieldsTime(vm, args);
        SetTime(self, local - Offset(vm, local));
    }
    return self;
}

AsValue DateUtc(CScriptVM& vm, const AsValue&, Args& args, CAsObject*)
{
    return AsValue::Number(FieldsTime(vm, args));
}

// Getters: which field, local or UTC, chosen by template arguments.
enum Field { YEAR, MONTH, DAY, WEEKDAY, HOURS, MINUTES, SECONDS, MS, SHORT_YEAR };

template <Field F, bool Utc> AsValue Get(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    const double time = TimeOf(self);
    if (std::isnan(time)) return AsValue::Number(kNaN);
    const Civil c = ToCivil(Utc ? time : time + Offset(vm, time));
    const double values[] = {c.year, c.month, c.day, c.weekday, c.hours, c.minutes, c.seconds, c.ms, c.year - 1900};
    return AsValue::Number(values[F]);
}

template <Field F, bool Utc> AsValue Set(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    double time = TimeOf(self);
    if (std::isnan(time)) time = 0;
    const double offset = Utc ? 0 : Offset(vm, time);
    Civil c = ToCivil(time + offset);
    double* fields[] = {&c.year, &c.month, &c.day, nullptr, &c.hours, &c.minutes, &c.seconds, &c.ms};
    // setFullYear(y, m, d), setHours(h, m, s, ms) …: later fields follow the first.
    const int first = F == SHORT_YEAR ? YEAR : F;
    int field = first;
    for (std::size_t i = 0; i < args.size() && field <= MS; ++i, ++field) {
        if (field == WEEKDAY) ++field;
        if (field > MS || (first <= DAY && field > DAY)) break;
        *fields[field] = std::trunc(vm.ToNumber(args[i]));
    }
    if (F == SHORT_YEAR && c.year >= 0 && c.year <= 99) c.year += 1900;
    const double local = FromCivil(c);
    SetTime(self, local - (Utc ? 0 : Offset(vm, local)));
    return AsValue::Number(TimeOf(self));
}

AsValue GetTime(CScriptVM&, const AsValue& self, Args&, CAsObject*)
{
    return AsValue::Number(TimeOf(self));
}

AsValue SetTimeMethod(CScriptVM& vm, const AsValue& self, Args& args, CAsObject*)
{
    SetTime(self, vm.ToNumber(Arg(args, 0)));
    return AsValue::Number(TimeOf(self));
}

AsValue TimezoneOffset(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    const double time = TimeOf(self);
    return AsValue::Number(std::isnan(time) ? kNaN : -Offset(vm, time) / 60000.0);
}

// "Tue Dec 8 16:13:53 GMT+0100 2026", as the player writes a date.
AsValue DateToString(CScriptVM& vm, const AsValue& self, Args&, CAsObject*)
{
    const double time = TimeOf(self);
    if (std::isnan(time)) return vm.StrValue("Invalid Date");
    const double offset = Offset(vm, time);
    const Civil c = ToCivil(time + offset);
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int minutes = static_cast<int>(offset / 60000);
    const int absolute = minutes < 0 ? -minutes : minutes;
    char text[96];
    std::snprintf(text, sizeof text, "%s %s %d %02d:%02d:%02d GMT%c%02d%02d %.0f", days[static_cast<int>(c.weekday)],
                  months[static_cast<int>(c.month)], static_cast<int>(c.day), static_cast<int>(c.hours),
                  static_cast<int>(c.minutes), static_cast<int>(c.seconds), minutes < 0 ? '-' : '+', absolute / 60,
                  absolute % 60, c.year);
    return vm.StrValue(text);
}

} // namespace

void InstallDateClass(CScriptVM& vm)
{
    vm.m_pDateProto = vm.NewObject();
    CAsObject* proto = vm.m_pDateProto;
    CAsObject* date = vm.NewNative(DateConstructor, proto);
    vm.Define(vm.m_pGlobal, "Date", AsValue::Object(date));
    vm.DefineMethod(date, "UTC", DateUtc);
    const NativeMethod methods[] = {
        {"getTime", GetTime}, {"valueOf", GetTime}, {"setTime", SetTimeMethod}, {"toString", DateToString},
        {"getTimezoneOffset", TimezoneOffset},
        {"getFullYear", Get<YEAR, false>}, {"getYear", Get<SHORT_YEAR, false>}, {"getMonth", Get<MONTH, false>},
        {"getDate", Get<DAY, false>}, {"getDay", Get<WEEKDAY, false>}, {"getHours", Get<HOURS, false>},
        {"getMinutes", Get<MINUTES, false>}, {"getSeconds", Get<SECONDS, false>},
        {"getMilliseconds", Get<MS, false>},
        {"getUTCFullYear", Get<YEAR, true>}, {"getUTCMonth", Get<MONTH, true>}, {"getUTCDate", Get<DAY, true>},
        {"getUTCDay", Get<WEEKDAY, true>}, {"getUTCHours", Get<HOURS, true>}, {"getUTCMinutes", Get<MINUTES, true>},
        {"getUTCSeconds", Get<SECONDS, true>}, {"getUTCMilliseconds", Get<MS, true>},
        {"setFullYear", Set<YEAR, false>}, {"setYear", Set<SHORT_YEAR, false>}, {"setMonth", Set<MONTH, false>},
        {"setDate", Set<DAY, false>}, {"setHours", Set<HOURS, false>}, {"setMinutes", Set<MINUTES, false>},
        {"setSeconds", Set<SECONDS, false>}, {"setMilliseconds", Set<MS, false>},
        {"setUTCFullYear", Set<YEAR, true>}, {"setUTCMonth", Set<MONTH, true>}, {"setUTCDate", Set<DAY, true>},
        {"setUTCHours", Set<HOURS, true>}, {"setUTCMinutes", Set<MINUTES, true>},
        {"setUTCSeconds", Set<SECONDS, true>}, {"setUTCMilliseconds", Set<MS, true>},
    };
    DefineMethods(vm, proto, methods);
}
