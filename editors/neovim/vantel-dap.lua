-- nvim-dap's adapter and launch configuration for vantel-dap, the debug
-- adapter of vantel's SNOBOL4 subset (installed beside vantel). Put this
-- file where Neovim finds it (for instance ~/.config/nvim/lua/) and
-- require it after nvim-dap; `.sno` files are the filetype snobol4 (see
-- vantel.lua).
local dap = require("dap")

dap.adapters.vantel = { type = "executable", command = "vantel-dap" }

dap.configurations.snobol4 = {
  {
    type = "vantel",
    request = "launch",
    name = "Debug the SNOBOL4 program",
    program = "${file}",
    cwd = "${fileDirname}",
    stopOnEntry = false,
  },
}
