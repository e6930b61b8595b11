namespace varnett::ui { void placeholder() {} }
