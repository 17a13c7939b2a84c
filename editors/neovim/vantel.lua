-- vantel-lsp in Neovim (0.7 and later). Copy this file to
-- ~/.config/nvim/plugin/vantel.lua, or dofile() it from init.lua.
-- vim.g.vantel_lsp_command sets the server's command line
-- (default { "vantel-lsp" }); vim.g.vantel_lsp_formatting = true offers
-- statement alignment to vim.lsp.buf.format().
vim.cmd([[autocmd BufRead,BufNewFile *.sno setfiletype snobol4]])

local started -- Neovim 0.7: the one client, shared by every buffer

local function config(buffer)
  return {
    name = "vantel-lsp",
    cmd = vim.g.vantel_lsp_command or { "vantel-lsp" },
    root_dir = vim.fn.fnamemodify(vim.api.nvim_buf_get_name(buffer), ":p:h"),
    init_options = { formatting = vim.g.vantel_lsp_formatting == true },
  }
end

local function attach(buffer)
  if vim.lsp.start then -- 0.8 and later: reuses a running server
    vim.lsp.start(config(buffer), { bufnr = buffer })
    return
  end
  if not (started and vim.lsp.get_client_by_id(started)) then
    started = vim.lsp.start_client(config(buffer))
  end
  if started then vim.lsp.buf_attach_client(buffer, started) end
end

vim.api.nvim_create_autocmd("FileType", {
  pattern = "snobol4",
  callback = function(event) attach(event.buf) end,
})
