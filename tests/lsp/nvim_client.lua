-- Neovim as the client of vantel-lsp (Neovim 0.7 and later): opens the
-- sample with the shipped set-up, then checks the diagnostics, a jump to a
-- definition and a hover. Exits with status 0 when all hold, 1 otherwise.

-- The set-up the README gives, as shipped in editors/neovim/vantel.lua.
vim.g.vantel_lsp_command = { os.getenv("VANTEL_LSP") }
dofile(os.getenv("VANTEL_NVIM_SETUP"))
local sample = os.getenv("VANTEL_SAMPLE")
local failures = {}
local function check(holds, what)
  if not holds then table.insert(failures, what) end
end

vim.cmd("edit " .. vim.fn.fnameescape(sample))
local buffer = vim.api.nvim_get_current_buf()
check(vim.bo[buffer].filetype == "snobol4", "filetype: " .. vim.bo[buffer].filetype)
local attached = vim.wait(5000, function() return next(vim.lsp.buf_get_clients(buffer)) ~= nil end, 20)
check(attached, "no client attached to the buffer")
local client = next(vim.lsp.buf_get_clients(buffer))

-- The translator's message, exactly, on its card and column.
local arrived = vim.wait(10000, function() return #vim.diagnostic.get(buffer) > 0 end, 20)
check(arrived, "no diagnostics arrived")
local diagnostics = vim.diagnostic.get(buffer)
check(#diagnostics == 1, "expected one diagnostic, got " .. #diagnostics)
if #diagnostics >= 1 then
  local d = diagnostics[1]
  check(d.message == "UNSUPPORTED KEYWORD", "message: " .. tostring(d.message))
  check(d.lnum == 3 and d.col == 19, "place: " .. d.lnum .. ":" .. d.col)
  check(d.severity == vim.diagnostic.severity.ERROR, "severity: " .. tostring(d.severity))
end

-- A goto's target jumps to its label's card.
vim.api.nvim_win_set_cursor(0, { 5, 51 })
vim.lsp.buf.definition()
local jumped = vim.wait(5000, function() return vim.api.nvim_win_get_cursor(0)[1] == 6 end, 20)
check(jumped, "definition did not jump to line 6 (cursor at line " .. vim.api.nvim_win_get_cursor(0)[1] .. ")")

-- Hover over a primitive.
local params = { textDocument = { uri = vim.uri_from_bufnr(buffer) }, position = { line = 4, character = 11 } }
local answers = vim.lsp.buf_request_sync(buffer, "textDocument/hover", params, 5000) or {}
local text = ""
for _, answer in pairs(answers) do
  if answer.result and answer.result.contents then text = text .. answer.result.contents.value end
end
check(text:find("SIZE(S)", 1, true) ~= nil, "hover: " .. text)

if client then
  vim.lsp.stop_client(client)
  vim.wait(2000, function() return vim.lsp.get_client_by_id(client) == nil end, 20)
end
if #failures > 0 then
  io.stderr:write(table.concat(failures, "\n") .. "\n")
  vim.cmd("cquit 1")
end
vim.cmd("qall!")
