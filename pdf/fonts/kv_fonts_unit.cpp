// Placeholder until the fonts layer has sources.
namespace kv {}
