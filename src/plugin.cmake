# Placeholder until the plug-in sources land.
add_custom_target(zelk_bundle)
