#include "crosswire/scriptlocalizercomponent.h"

#include "components/scriptruntime/kernova/array.h"
#include "components/scriptruntime/kernova/filespec.h"
#include "components/scriptruntime/kernova/livepropertymanager.h"
#include "components/scriptruntime/scriptara/engine.h"
#include "crosswire/scriptvalues.h"
#include "crosswire/zstringlocalizer.h"

#include <memory>
#include <mutex>

namespace KnObjects {

using Kernova::Variant;

namespace {

// The calling script's file comes from the stack of an error made in localize(): its frames
// read "function@file:line", the first one being localize() itself.
const char kGlobalFunction[] = R"JS(
(function (component) {
  var global = this;
  function callerFile(stack) {
    var frames = String(stack || '').split('\n');
    for (var i = 1; i < frames.length; ++i) {
      var frame = frames[i];
      var at = frame.lastIndexOf('@');
      var place = at >= 0 ? frame.substring(at + 1) : frame;
      var colon = place.lastIndexOf(':');
      if (colon > 0 && /^\d+$/.test(place.substring(colon + 1)))
        place = place.substring(0, colon);
      if (place.indexOf('file://') === 0)
        place = decodeURIComponent(place.substring(7));
      if (place.length > 0)
        return place;
    }
    return '';
  }
  Object.defineProperty(global, 'localize', {
    configurable: true, writable: true,
    value: function (text) {
      var file = '';
      try { throw new Error('where'); } catch (e) { file = callerFile(e.stack); }
      var out = component.translate(String(text), file);
      for (var i = arguments.length - 1; i >= 1; --i)
        out = out.split('%' + i).join(String(arguments[i]));
      return out;
    }
  });
})
)JS";

} // namespace

ScriptLocalizerComponent::ScriptLocalizerComponent()
    : Kernova::LiveComponent(Kernova::String(kName), Kernova::String("ZStrings"))
{
}

int ScriptLocalizerComponent::initialize()
{
    registerProperty(Kernova::String("translate"), kTranslate,
                     Kernova::LivePropertyManager::kMethod,
                     Kernova::String("string,text:string,script:string"));
    return 0;
}

ZStringLocalizer &ScriptLocalizerComponent::processLocalizer()
{
    static std::once_flag once;
    static std::unique_ptr<ZStringLocalizer> localizer;
    std::call_once(once, [] {
        localizer = std::make_unique<ZStringLocalizer>();
        Kernova::Localizer::push(localizer.get());
    });
    return *localizer;
}

const char *ScriptLocalizerComponent::globalFunctionScript()
{
    return kGlobalFunction;
}

int ScriptLocalizerComponent::call(int id, const Kernova::Array &arguments, Variant &result)
{
    if (id != kTranslate)
        return LiveComponent::call(id, arguments, result);
    processLocalizer();
    KnScript::Engine *engine = KnScript::Engine::getCurrent();
    const QString text = ScriptValues::argument(engine, arguments, 0);
    const QString script = ScriptValues::argument(engine, arguments, 1);
    result = Variant(Kernova::Localizer::translate(
        Kernova::String(text),
        script.isEmpty() ? Kernova::FileSpec() : Kernova::FileSpec(Kernova::String(script))));
    return 0;
}

} // namespace KnObjects
