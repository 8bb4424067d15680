-- Neovim as the editor of a script, with vornel-scan --lsp as its language
-- server: the few lines of configuration a user writes (vim.lsp.start_client
-- and vim.lsp.buf_attach_client, as Neovim 0.7 has them), then what a user
-- does: read the diagnostics, hover, take the quick fix, edit the code away.
-- What Neovim saw goes as JSON to $VORNEL_OUT, for test_lsp_neovim.
local out = {}
local published = {} -- the diagnostics as the server sent them, in UTF-16 units

local ok, err = pcall(function()
  local handler = vim.lsp.handlers['textDocument/publishDiagnostics']
  vim.lsp.handlers['textDocument/publishDiagnostics'] = function(e, result, ctx, config)
    published = result.diagnostics
    return handler(e, result, ctx, config)
  end

  vim.cmd('edit ' .. vim.fn.fnameescape(vim.env.VORNEL_SCRIPT))
  local buf = vim.api.nvim_get_current_buf()
  out.fileformat = vim.bo[buf].fileformat
  local client = vim.lsp.start_client({
    name = 'vornel-scan',
    cmd = { vim.env.VORNEL_SCAN, '--lsp' },
    root_dir = vim.env.VORNEL_ROOT,
  })
  vim.lsp.buf_attach_client(buf, client)

  local function seen()
    local list = {}
    for _, d in ipairs(vim.diagnostic.get(buf)) do
      table.insert(list, { lnum = d.lnum, col = d.col, end_lnum = d.end_lnum, end_col = d.end_col,
                           message = d.message, code = d.code, source = d.source,
                           severity = d.severity })
    end
    table.sort(list, function(a, b) return a.lnum < b.lnum end)
    local sent = {}
    for _, d in ipairs(published) do
      table.insert(sent, { line = d.range.start.line, character = d.range.start.character,
                           end_character = d.range['end'].character, code = d.code })
    end
    table.sort(sent, function(a, b) return a.line < b.line end)
    return { diagnostics = list, published = sent }
  end
  local function settled(test)
    return vim.wait(20000, function() return test(vim.diagnostic.get(buf)) end, 10)
  end
  local function holds(code)
    return function(diagnostics)
      for _, d in ipairs(diagnostics) do
        if d.code == code then return true end
      end
      return false
    end
  end

  out.opened_in_time = settled(holds('ownr'))
  out.opened = seen()

  local uri = vim.uri_from_bufnr(buf)
  local hover = vim.lsp.buf_request_sync(buf, 'textDocument/hover',
    { textDocument = { uri = uri }, position = { line = 1, character = 24 } }, 10000)
  out.hover = hover[client].result.contents.value

  local zmod
  for _, d in ipairs(published) do
    if d.code == 'zmod' then zmod = d end
  end
  local actions = vim.lsp.buf_request_sync(buf, 'textDocument/codeAction',
    { textDocument = { uri = uri }, range = zmod.range, context = { diagnostics = { zmod } } },
    10000)
  local action = actions[client].result[1]
  out.action = action.title
  vim.lsp.util.apply_workspace_edit(action.edit, 'utf-16')
  out.fixed_in_time = settled(function(d) return not holds('zmod')(d) end)
  out.fixed_line = vim.api.nvim_buf_get_lines(buf, 1, 2, false)[1]
  out.fixed = seen()

  -- The user types over the code that alerts: byte columns, as Neovim counts.
  local line = vim.api.nvim_buf_get_lines(buf, 2, 3, false)[1]
  local at = line:find('"ownr"', 1, true)
  vim.api.nvim_buf_set_text(buf, 2, at, 2, at + 4, { 'abcd' })
  out.edited_in_time = settled(function(d) return #d == 0 end)
  out.edited = seen()
end)

if not ok then out.error = tostring(err) end
vim.fn.writefile({ vim.fn.json_encode(out) }, vim.env.VORNEL_OUT)
vim.cmd('qall!')
