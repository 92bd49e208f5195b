# The application's texts that the end-to-end scripts look for, by name, in
# one place: sourced by assert_lib.sh. They come from its resources (the
# Chinese user interface) and from its built-in messages.
# Each name is used by the files that source this one, not here:
# shellcheck disable=SC2034

# The main window's status line and its General button.
TEXT_ATTACHED="装置已连接"
TEXT_DETACHED="装置已移除"
TEXT_GENERAL="一  般"
# Message box titles.
TITLE_WARNING="警告"
TITLE_MESSAGE="信息"
TITLE_ERROR="错误"
# The calibration run's outcomes, and the session's box without a device.
TEXT_CALIBRATION_FINISHED="校准程序已完成"
TEXT_CALIBRATION_NOT_FINISHED="校准程序未完成"
TITLE_NO_DEVICE="ERROR"
TEXT_NO_DEVICE="Can't find ZRN Tessane Device!"
# The mapping dialog's failed Save As.
TEXT_MAP_NOT_SAVED="The gesture map could not be saved."
