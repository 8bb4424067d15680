-- Neovim opens a script whose lines end in LF alone (fileformat=unix) with
-- vornel-scan --lsp as its language server, as tests/lsp_neovim.lua does,
-- and writes what it shows to $VORNEL_OUT, for test_lsp_neovim.
local out = {}
local ok, err = pcall(function()
  vim.cmd('edit ' .. vim.fn.fnameescape(vim.env.VORNEL_SCRIPT))
  local buf = vim.api.nvim_get_current_buf()
  out.fileformat = vim.bo[buf].fileformat
  local client = vim.lsp.start_client({
    name = 'vornel-scan',
    cmd = { vim.env.VORNEL_SCAN, '--lsp' },
    root_dir = vim.env.VORNEL_ROOT,
  })
  vim.lsp.buf_attach_client(buf, client)
  out.shown_in_time = vim.wait(20000, function() return #vim.diagnostic.get(buf) > 0 end, 10)
  out.diagnostics = {}
  for _, d in ipairs(vim.diagnostic.get(buf)) do
    table.insert(out.diagnostics, { lnum = d.lnum, col = d.col, end_lnum = d.end_lnum,
                                    end_col = d.end_col, message = d.message,
                                    code = d.code or '', source = d.source,
                                    severity = d.severity })
  end
  table.sort(out.diagnostics, function(a, b) return a.lnum < b.lnum end)
end)
if not ok then out.error = tostring(err) end
vim.fn.writefile({ vim.fn.json_encode(out) }, vim.env.VORNEL_OUT)
vim.cmd('qall!')
